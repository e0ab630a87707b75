#include "device/packet_protocol.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <optional>
#include <thread>

#include "device/basic_device.h"
#include "device/com_device.h"

namespace {

constexpr uint8_t kStartByte = 0x02;
constexpr int kAttempts = 3;
constexpr auto kBusyPause = std::chrono::milliseconds(60);
constexpr uint32_t kMaxPayload = 256;
constexpr auto BadFrame = CDeviceException::Reason::BadFrame;

}  // namespace

void CDeviceProtocol::Attach(CComDevice* port) {
    m_device = port;
    m_port = port;
    m_portLost = false;
}

int32_t CDeviceProtocol::Transact(uint8_t command, uint8_t* answer, uint32_t answerLength,
                                  const uint8_t* params, uint32_t paramLength) {
    // More parameters than a frame holds is the caller's mistake, and so is an answer longer
    // than the 254 bytes an answer frame carries after echo and status; nothing is sent.
    if (paramLength > kMaxPayload - 1 || answerLength > kMaxPayload - 2) {
        return STATUS_BAD_PARAMETERS;
    }
    uint8_t request[kMaxPayload];
    request[0] = command;
    if (paramLength > 0) std::memcpy(request + 1, params, paramLength);

    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        std::optional<int32_t> result;
        try {
            result = Attempt(command, answer, answerLength, request, paramLength + 1);
        } catch (const CDeviceException& e) {
            if (!e.PortLost()) continue;  // the device was silent or garbled: try again
            m_portLost = true;            // retrying a port that has gone can only fail again
            return RESULT_NO_LINK;
        } catch (const CException&) {
            continue;  // the channel failed during this attempt
        }
        if (!result) continue;  // an answer to another command
        if (*result == STATUS_BUSY) {
            std::this_thread::sleep_for(kBusyPause);
            continue;
        }
        return *result;
    }
    return RESULT_NO_LINK;
}

// One attempt: sends the whole request and checks the answer. Nothing for a wrong echo.
std::optional<int32_t> CDeviceProtocol::Attempt(uint8_t command, uint8_t* answer,
                                                uint32_t answerLength, const uint8_t* request,
                                                uint32_t requestLength) {
    m_device->ClearErrors();
    m_device->PurgeReceive();
    m_device->PurgeTransmit();

    // The whole frame in one write, so the line is busy for exactly its bytes.
    uint8_t frame[kMaxPayload + 3];
    const uint8_t length = static_cast<uint8_t>(requestLength);  // 256 goes out as 0
    uint8_t check = length;
    for (uint32_t i = 0; i < requestLength; ++i) check ^= request[i];
    frame[0] = kStartByte;
    frame[1] = length;
    std::memcpy(frame + 2, request, requestLength);
    frame[requestLength + 2] = check;
    m_device->Write(frame, requestLength + 3);

    uint8_t payload[kMaxPayload];
    const uint32_t n = ReceiveFrame(payload);
    if (payload[0] != command) return std::nullopt;
    if (n < 2) return RESULT_BAD_LENGTH;
    const uint8_t status = payload[1];
    if (status != RESULT_OK) return status;
    if (n != answerLength + 2) return RESULT_BAD_LENGTH;
    if (answerLength > 0) std::memcpy(answer, payload + 2, answerLength);
    return RESULT_OK;
}

// Reads one frame; returns its payload length. Throws on a bad start or check byte.
uint32_t CDeviceProtocol::ReceiveFrame(uint8_t* payload) {
    if (m_device->ReadByte() != kStartByte) throw CDeviceException(BadFrame);
    const uint8_t length = m_device->ReadByte();
    const uint32_t n = length == 0 ? kMaxPayload : length;
    m_device->Read(payload, n);
    uint8_t check = length;
    for (uint32_t i = 0; i < n; ++i) check ^= payload[i];
    if (m_device->ReadByte() != check) throw CDeviceException(BadFrame);
    return n;
}

const char* StatusText(int32_t result) {
    switch (result) {
        case RESULT_OK: return "Ошибок нет";
        case STATUS_BUSY: return "Команда не может быть выполнена в данный момент";
        case STATUS_BAD_PARAMETERS: return "Некорректные параметры в команде";
        case STATUS_NOT_SUPPORTED: return "Команда не поддерживается";
        case STATUS_NOT_SUPPORTED_IN_MODE: return "Команда не поддерживается в данном режиме";
        case STATUS_BAD_BLOCK_SIZE: return "Неправильный размер блока";
        case STATUS_ADDRESS_OUT_OF_RANGE: return "Адрес вышел из допустимого диапазона";
        case STATUS_BLOCK_ALIGNMENT: return "Ошибка выравнивания блока";
        case STATUS_FLASH_WRITE_ERROR: return "Ошибка записи во флеш-память";
        case RESULT_NO_LINK: return "Нет связи";
        case RESULT_BAD_LENGTH: return "Неверная длина ответа";
        default: return "Неизвестная ошибка";
    }
}

void CheckStatus(int32_t result) {
    if (result == RESULT_OK) return;
    char prefix[32];
    std::snprintf(prefix, sizeof prefix, "(%li) ", static_cast<long>(result));
    throw test_exception(prefix + std::string(StatusText(result)));
}
