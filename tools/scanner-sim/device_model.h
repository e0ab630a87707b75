// What the scanner does with a request: commands, state word, modes, speed, memory.
// No input/output and no locking; time is passed in as milliseconds since start.
#pragma once

#include <cstdint>
#include <vector>

#include "tools/scanner-sim/image_area.h"
#include "tools/scanner-sim/scanner.h"

namespace scanner_sim {

struct Answer {
    uint8_t status = 0;
    Bytes data;
};

class DeviceModel {
public:
    explicit DeviceModel(const Config& config);

    // Carries out whatever has become due by `nowMs` (speed switch, mode change, readiness).
    void Update(double nowMs);
    // False while a mode change keeps the device from answering.
    bool Answering(double nowMs) const { return !modeChangePending_ || nowMs >= modeSwitchAtMs_; }
    Answer Execute(uint8_t command, const Bytes& params, double nowMs);

    StateWord State() const { return state_; }
    void ForceState(const StateWord& state) { state_ = state; }
    int Mode() const { return (state_[0] >> 1) & 1; }
    int BaudIndex() const { return baudIndex_; }
    bool Trigger() const { return trigger_; }
    void SetTrigger(bool pressed) { trigger_ = pressed; }
    ImageArea& Images() { return images_; }
    const ImageArea& Images() const { return images_; }

private:
    Answer TriggerCommand(const Bytes& params);
    Answer Info(const Bytes& params) const;
    Answer StateCommand(const Bytes& params, double nowMs);
    Answer Speed(const Bytes& params, double nowMs);
    Answer ReadMemory(const Bytes& params, double nowMs);
    Answer WriteMemory(const Bytes& params, double nowMs);
    void StartModeChange(int target, double nowMs);
    void EnterMode(int mode, double nowMs);
    bool AtmegaSelected() const { return (state_[0] & 0x20) != 0; }

    Config config_;
    StateWord state_;
    bool trigger_ = false;
    int baudIndex_;
    int pendingBaud_ = -1;
    double baudSwitchAtMs_ = 0;
    bool modeChangePending_ = false;
    int pendingMode_ = 0;
    double modeSwitchAtMs_ = 0;
    bool readyPending_ = false;
    double readyAtMs_ = 0;
    ImageArea images_;
};

}  // namespace scanner_sim
