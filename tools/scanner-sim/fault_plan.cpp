#include "tools/scanner-sim/fault_plan.h"

namespace scanner_sim {

const char* FaultName(FaultKind kind) {
    switch (kind) {
        case FaultKind::kNone: return "";
        case FaultKind::kSilent: return "silent";
        case FaultKind::kRawAnswer: return "raw answer";
        case FaultKind::kBusy: return "busy";
        case FaultKind::kStatus: return "injected status";
        case FaultKind::kBadCheck: return "bad check byte";
        case FaultKind::kWrongEcho: return "wrong echo";
        case FaultKind::kEchoOnly: return "echo only";
        case FaultKind::kExtraByte: return "extra answer byte";
    }
    return "";
}

void FaultPlan::AddStatus(uint8_t command, uint8_t status, int count, int skip) {
    if (count == 0) return;
    statusRules_.push_back({command, status, count < 0 ? -1 : count, skip < 0 ? 0 : skip});
}

bool FaultPlan::Take(int& counter) {
    if (counter <= 0) return false;
    --counter;
    return true;
}

// Every matching rule counts the request against its skip allowance; the first rule that is
// past its allowance answers it.
bool FaultPlan::TakeStatus(uint8_t command, uint8_t& status) {
    bool taken = false;
    for (auto it = statusRules_.begin(); it != statusRules_.end();) {
        if (it->command != command) {
            ++it;
            continue;
        }
        if (it->skip > 0) {
            --it->skip;
            ++it;
            continue;
        }
        if (taken) {
            ++it;
            continue;
        }
        taken = true;
        status = it->status;
        if (it->count > 0 && --it->count == 0) {
            it = statusRules_.erase(it);
            continue;
        }
        ++it;
    }
    return taken;
}

Fault FaultPlan::Next(uint8_t command) {
    Fault fault;
    if (silent_ || answersLeft_ == 0) {
        fault.kind = FaultKind::kSilent;
        return fault;
    }
    if (answersLeft_ > 0) --answersLeft_;
    if (!raw_.empty()) {
        fault.kind = FaultKind::kRawAnswer;
        fault.raw = std::move(raw_.front());
        raw_.erase(raw_.begin());
    } else if (Take(busy_)) {
        fault.kind = FaultKind::kBusy;
        fault.status = 2;
    } else if (TakeStatus(command, fault.status)) {
        fault.kind = FaultKind::kStatus;
    } else if (Take(badCheck_)) {
        fault.kind = FaultKind::kBadCheck;
    } else if (Take(wrongEcho_)) {
        fault.kind = FaultKind::kWrongEcho;
    } else if (Take(echoOnly_)) {
        fault.kind = FaultKind::kEchoOnly;
    } else if (Take(extraByte_)) {
        fault.kind = FaultKind::kExtraByte;
    }
    return fault;
}

}  // namespace scanner_sim
