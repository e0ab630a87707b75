#include "tests/sim/sim_client.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>

#include "tools/scanner-sim/frame_parser.h"

namespace sim_test {
namespace {

speed_t SpeedOf(uint32_t baud) {
    const std::pair<uint32_t, speed_t> speeds[] = {{2400, B2400},   {4800, B4800},
                                                   {19200, B19200}, {38400, B38400},
                                                   {57600, B57600}, {115200, B115200}};
    for (const auto& [rate, code] : speeds)
        if (rate == baud) return code;
    return B9600;
}

}  // namespace

SimClient::SimClient(const std::string& path, uint32_t baud) {
    fd_ = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd_ >= 0) SetBaud(baud);
}

SimClient::~SimClient() {
    if (fd_ >= 0) ::close(fd_);
}

void SimClient::SetBaud(uint32_t baud) {
    termios tio{};
    ::tcgetattr(fd_, &tio);
    ::cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    ::cfsetspeed(&tio, SpeedOf(baud));
    ::tcsetattr(fd_, TCSANOW, &tio);
}

bool SimClient::Write(const Bytes& bytes) {
    return ::write(fd_, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
}

void SimClient::Send(uint8_t command, const Bytes& params) {
    Bytes payload(1 + params.size(), command);
    std::copy(params.begin(), params.end(), payload.begin() + 1);
    Write(scanner_sim::BuildFrame(payload));
}

Bytes SimClient::ReadBytes(std::size_t count, std::chrono::milliseconds timeout) {
    Bytes out;
    auto deadline = std::chrono::steady_clock::now() + timeout;
    while (out.size() < count) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) break;
        pollfd p{fd_, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(left.count())) <= 0 || !(p.revents & POLLIN)) break;
        uint8_t buffer[512];
        std::size_t want = std::min(count - out.size(), sizeof buffer);
        ssize_t n = ::read(fd_, buffer, want);
        if (n <= 0) break;
        out.insert(out.end(), buffer, buffer + n);
    }
    return out;
}

std::optional<Reply> SimClient::ReadFrame(std::chrono::milliseconds timeout) {
    Bytes head = ReadBytes(2, timeout);
    if (head.size() < 2 || head[0] != 0x02) return std::nullopt;
    std::size_t n = head[1] == 0 ? 256 : head[1];
    Bytes rest = ReadBytes(n + 1, 1000ms);
    if (rest.size() < n + 1) return std::nullopt;
    Reply reply;
    reply.payload.assign(rest.begin(), rest.begin() + static_cast<long>(n));
    uint8_t check = head[1];
    for (uint8_t b : reply.payload) check ^= b;
    reply.checkOk = check == rest.back();
    return reply;
}

std::optional<Bytes> SimClient::Transact(uint8_t command, const Bytes& params,
                                         std::chrono::milliseconds timeout) {
    Send(command, params);
    auto reply = ReadFrame(timeout);
    if (!reply || !reply->checkOk) return std::nullopt;
    return reply->payload;
}

}  // namespace sim_test
