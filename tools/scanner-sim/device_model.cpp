#include "tools/scanner-sim/device_model.h"

namespace scanner_sim {
namespace {

constexpr uint8_t kModeBit = 0x02;   // bytes 0 and 1
constexpr uint8_t kReadyBit = 0x80;  // byte 3
constexpr uint8_t kStatusBadParameters = 4;
constexpr uint8_t kStatusNotSupported = 8;
constexpr uint8_t kStatusBadBlockSize = 144;
constexpr uint8_t kStatusOutOfRange = 145;
constexpr std::size_t kMaxReadCount = 254;

uint32_t Le32(const Bytes& b, std::size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}

void PutLe16(Bytes& out, uint16_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

}  // namespace

DeviceModel::DeviceModel(const Config& config)
    : config_(config),
      state_(config.initialState),
      baudIndex_(config.baudIndex >= 0 && config.baudIndex <= 6 ? config.baudIndex : 2),
      images_(config) {}

void DeviceModel::Update(double nowMs) {
    if (pendingBaud_ >= 0 && nowMs >= baudSwitchAtMs_) {
        baudIndex_ = pendingBaud_;
        pendingBaud_ = -1;
    }
    if (modeChangePending_ && nowMs >= modeSwitchAtMs_) {
        modeChangePending_ = false;
        EnterMode(pendingMode_, modeSwitchAtMs_);
    }
    if (readyPending_ && nowMs >= readyAtMs_) {
        readyPending_ = false;
        if (Mode() == 1) state_[3] |= kReadyBit;
    }
    images_.Update(nowMs);
}

Answer DeviceModel::Execute(uint8_t command, const Bytes& params, double nowMs) {
    Update(nowMs);
    switch (command) {
        case 155: return TriggerCommand(params);
        case 156: return WriteMemory(params, nowMs);
        case 157: return ReadMemory(params, nowMs);
        case 158: return Info(params);
        case 159: return StateCommand(params, nowMs);
        case 161: return Speed(params, nowMs);
        default: return {kStatusNotSupported, {}};
    }
}

Answer DeviceModel::TriggerCommand(const Bytes& params) {
    if (params.empty()) return {0, {static_cast<uint8_t>(trigger_ ? 1 : 0)}};
    if (params.size() != 1) return {kStatusBadParameters, {}};
    trigger_ = params[0] != 0;
    return {};
}

Answer DeviceModel::Info(const Bytes& params) const {
    if (params.size() != 1) return {kStatusBadParameters, {}};
    Answer answer;
    if (params[0] == 0) {
        answer.data = {0x01, 0x00, 0x00, 0x00, config_.deviceCode};
    } else if (params[0] == 1) {
        const ProcessorVersions& v = AtmegaSelected() ? config_.atmega : config_.blackfin;
        bool loader = Mode() == 1;
        PutLe16(answer.data, loader ? v.loaderVersion : v.firmwareVersion);
        PutLe16(answer.data, loader ? v.hardwareVersion : v.extendedVersion);
        answer.data.push_back(0);
    } else {
        answer.status = kStatusBadParameters;
    }
    return answer;
}

// A written word is kept as written except for the bits the device owns: the mode bits report
// the mode it runs in and the readiness bit its own readiness. A different mode in bit 1 of
// byte 0 starts a mode change.
Answer DeviceModel::StateCommand(const Bytes& params, double nowMs) {
    if (params.empty()) return {0, Bytes(state_.begin(), state_.end())};
    if (params.size() != 4) return {kStatusBadParameters, {}};
    StateWord written;
    for (int i = 0; i < 4; ++i) written[i] = params[i] ^ config_.stateWriteXor[i];
    int requested = (written[0] & kModeBit) ? 1 : 0;
    for (int i : {0, 1}) written[i] = (written[i] & ~kModeBit) | (state_[i] & kModeBit);
    written[3] = (written[3] & ~kReadyBit) | (state_[3] & kReadyBit);
    state_ = written;
    if (requested != Mode()) StartModeChange(requested, nowMs);
    return {};
}

void DeviceModel::StartModeChange(int target, double nowMs) {
    if (target == 0 && Mode() == 1 && !config_.workingProgramStarts) target = 1;
    modeChangePending_ = true;
    pendingMode_ = target;
    modeSwitchAtMs_ = nowMs + config_.modeChangeSilenceMs;
    Update(nowMs);
}

void DeviceModel::EnterMode(int mode, double atMs) {
    bool changed = mode != Mode();
    for (int i : {0, 1}) state_[i] = (state_[i] & ~kModeBit) | (mode ? kModeBit : 0);
    if (config_.modeChangeBaudIndex >= 0 && config_.modeChangeBaudIndex <= 6) {
        baudIndex_ = config_.modeChangeBaudIndex;
        pendingBaud_ = -1;
    }
    if (!changed) return;
    state_[3] &= ~kReadyBit;
    readyPending_ = mode == 1;
    readyAtMs_ = atMs + config_.loaderReadyDelayMs;
    if (mode == 0) images_.Reset();
}

Answer DeviceModel::Speed(const Bytes& params, double nowMs) {
    if (!config_.hasBaudCommand) return {kStatusNotSupported, {}};
    if (params.empty()) return {0, {static_cast<uint8_t>(baudIndex_)}};
    if (params.size() != 1 || params[0] > 6) return {kStatusBadParameters, {}};
    pendingBaud_ = params[0];
    baudSwitchAtMs_ = nowMs + config_.baudSwitchDelayMs;
    return {};
}

Answer DeviceModel::ReadMemory(const Bytes& params, double nowMs) {
    if (params.size() != 5) return {kStatusBadParameters, {}};
    uint32_t address = Le32(params, 0);
    std::size_t count = params[4];
    // 255 bytes would need a 257-byte answer payload, more than a frame can carry.
    if (count == 0 || count > kMaxReadCount) return {kStatusBadBlockSize, {}};
    Answer answer;
    if (address >= kIdentityAddress && address < kIdentityAddress + 8) {
        uint32_t offset = address - kIdentityAddress;
        if (Mode() != 0 || !AtmegaSelected() || offset + count > 8) return {kStatusOutOfRange, {}};
        answer.data.assign(config_.identityBlock.begin() + offset,
                           config_.identityBlock.begin() + offset + count);
        return answer;
    }
    if (address >= kImageAreaAddress && Mode() == 0 && !AtmegaSelected()) {
        answer.status = images_.Read(address - kImageAreaAddress, count, answer.data, nowMs);
        return answer;
    }
    return {kStatusOutOfRange, {}};
}

Answer DeviceModel::WriteMemory(const Bytes& params, double nowMs) {
    if (params.size() < 5) return {kStatusBadParameters, {}};
    uint32_t address = Le32(params, 0);
    if (address >= kImageAreaAddress && Mode() == 0 && !AtmegaSelected()) {
        Bytes data(params.begin() + 4, params.end());
        return {images_.Write(address - kImageAreaAddress, data, nowMs), {}};
    }
    return {kStatusOutOfRange, {}};
}

}  // namespace scanner_sim
