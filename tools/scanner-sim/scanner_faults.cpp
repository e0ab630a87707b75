// The fault-injection controls of Scanner.
#include "tools/scanner-sim/scanner.h"
#include "tools/scanner-sim/scanner_impl.h"

namespace scanner_sim {

void Scanner::InjectBusy(int n) {
    std::lock_guard lock(impl_->mutex_);
    impl_->faults_.AddBusy(n);
}

void Scanner::InjectBadCheck(int n) {
    std::lock_guard lock(impl_->mutex_);
    impl_->faults_.AddBadCheck(n);
}

void Scanner::InjectWrongEcho(int n) {
    std::lock_guard lock(impl_->mutex_);
    impl_->faults_.AddWrongEcho(n);
}

void Scanner::InjectEchoOnly(int n) {
    std::lock_guard lock(impl_->mutex_);
    impl_->faults_.AddEchoOnly(n);
}

void Scanner::InjectExtraAnswerByte(int n) {
    std::lock_guard lock(impl_->mutex_);
    impl_->faults_.AddExtraByte(n);
}

void Scanner::InjectStaleBytes(const Bytes& bytes) { impl_->WriteStale(bytes); }

void Scanner::InjectStatus(uint8_t command, uint8_t status, int count, int skip) {
    std::lock_guard lock(impl_->mutex_);
    impl_->faults_.AddStatus(command, status, count, skip);
}

void Scanner::InjectRawAnswer(const Bytes& bytes) {
    std::lock_guard lock(impl_->mutex_);
    impl_->faults_.AddRawAnswer(bytes);
}

void Scanner::GoSilentAfter(int requests) {
    std::lock_guard lock(impl_->mutex_);
    impl_->faults_.SilentAfter(requests);
}

void Scanner::GoSilent(bool silent) {
    std::lock_guard lock(impl_->mutex_);
    impl_->faults_.SetSilent(silent);
}

void Scanner::ClearFaults() {
    std::lock_guard lock(impl_->mutex_);
    impl_->faults_.Clear();
}

void Scanner::Vanish() { impl_->Vanish(); }

}  // namespace scanner_sim
