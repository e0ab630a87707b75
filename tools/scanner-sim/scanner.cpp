#include "tools/scanner-sim/scanner.h"

#include "tools/scanner-sim/scanner_impl.h"

namespace scanner_sim {

uint32_t BaudOfIndex(int index) {
    static constexpr uint32_t kRates[] = {2400, 4800, 9600, 19200, 38400, 57600, 115200};
    return index >= 0 && index <= 6 ? kRates[index] : 0;
}

Scanner::Scanner(Config config) : impl_(std::make_unique<Impl>(config)) {}
Scanner::~Scanner() = default;

void Scanner::Stop() { impl_->Stop(); }
const std::string& Scanner::SlavePath() const { return impl_->slavePath_; }
bool Scanner::LinkTo(const std::string& path) { return impl_->LinkTo(path); }

void Scanner::PressTrigger() { SetTriggerPressed(true); }

void Scanner::SetTriggerPressed(bool pressed) {
    std::lock_guard lock(impl_->mutex_);
    impl_->device_.SetTrigger(pressed);
}

bool Scanner::TriggerPressed() const {
    std::lock_guard lock(impl_->mutex_);
    return impl_->device_.Trigger();
}

std::vector<Request> Scanner::Log() const { return impl_->log_.Entries(); }
std::size_t Scanner::RequestCount() const { return impl_->log_.Count(); }
void Scanner::ClearLog() { impl_->log_.Clear(); }

bool Scanner::WaitForRequests(std::size_t count, std::chrono::milliseconds timeout) const {
    return impl_->log_.WaitFor(count, timeout);
}

void Scanner::SetRequestObserver(std::function<void(const Request&)> observer) {
    std::lock_guard lock(impl_->mutex_);
    impl_->observer_ = std::move(observer);
}

StateWord Scanner::State() const {
    std::lock_guard lock(impl_->mutex_);
    impl_->device_.Update(impl_->NowMs());
    return impl_->device_.State();
}

void Scanner::SetState(const StateWord& state) {
    std::lock_guard lock(impl_->mutex_);
    impl_->device_.ForceState(state);
}

int Scanner::Mode() const {
    std::lock_guard lock(impl_->mutex_);
    impl_->device_.Update(impl_->NowMs());
    return impl_->device_.Mode();
}

int Scanner::BaudIndex() const {
    std::lock_guard lock(impl_->mutex_);
    impl_->device_.Update(impl_->NowMs());
    return impl_->device_.BaudIndex();
}

uint32_t Scanner::LineBaud() const { return impl_->LineBaud(); }

void Scanner::SetImages(std::vector<Bytes> images) {
    std::lock_guard lock(impl_->mutex_);
    impl_->device_.Images().SetImages(std::move(images));
}

void Scanner::SetImageInterface(char version, std::array<uint8_t, 3> tag) {
    std::lock_guard lock(impl_->mutex_);
    impl_->device_.Images().SetInterface(version, tag);
}

std::vector<ImageCommandWrite> Scanner::ImageCommandWrites() const {
    std::lock_guard lock(impl_->mutex_);
    const auto& writes = impl_->device_.Images().CommandWrites();
    return std::vector<ImageCommandWrite>(writes.begin(), writes.end());
}

int Scanner::ImagesServed() const {
    std::lock_guard lock(impl_->mutex_);
    return impl_->device_.Images().ImagesServed();
}

}  // namespace scanner_sim
