// The faults queued for the next requests the device understands.
#pragma once

#include <cstdint>
#include <vector>

namespace scanner_sim {

enum class FaultKind {
    kNone,
    kSilent,
    kRawAnswer,
    kBusy,
    kStatus,
    kBadCheck,
    kWrongEcho,
    kEchoOnly,
    kExtraByte
};

struct Fault {
    FaultKind kind = FaultKind::kNone;
    uint8_t status = 0;        // kStatus
    std::vector<uint8_t> raw;  // kRawAnswer
};

const char* FaultName(FaultKind kind);

class FaultPlan {
public:
    // Picks (and uses up) the fault for the next understood request with this command code.
    Fault Next(uint8_t command);

    void AddBusy(int n) { busy_ += n; }
    void AddBadCheck(int n) { badCheck_ += n; }
    void AddWrongEcho(int n) { wrongEcho_ += n; }
    void AddEchoOnly(int n) { echoOnly_ += n; }
    void AddExtraByte(int n) { extraByte_ += n; }
    void AddStatus(uint8_t command, uint8_t status, int count, int skip);
    void AddRawAnswer(std::vector<uint8_t> bytes) { raw_.push_back(std::move(bytes)); }
    void SilentAfter(int requests) { answersLeft_ = requests; }
    void SetSilent(bool silent) {
        silent_ = silent;
        answersLeft_ = -1;
    }
    void Clear() { *this = FaultPlan{}; }

private:
    struct StatusRule {
        uint8_t command;
        uint8_t status;
        int count;  // -1: always
        int skip;
    };
    static bool Take(int& counter);
    bool TakeStatus(uint8_t command, uint8_t& status);

    bool silent_ = false;
    int answersLeft_ = -1;  // -1: no limit
    int busy_ = 0, badCheck_ = 0, wrongEcho_ = 0, echoOnly_ = 0, extraByte_ = 0;
    std::vector<StatusRule> statusRules_;
    std::vector<std::vector<uint8_t>> raw_;
};

}  // namespace scanner_sim
