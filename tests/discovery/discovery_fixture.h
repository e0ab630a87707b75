// Shared set-up of the discovery tests: captured message boxes, a port list of the test's own,
// and ports under readable names (symbolic links in a temporary directory).
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>
#include <filesystem>
#include <functional>
#include <string>

#include "device/serial_ports.h"
#include "tests/support/message_boxes.h"

class DiscoveryTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        previousPorts = SetSerialPortSource([this] { return ports; });
    }
    void TearDown() override { SetSerialPortSource(previousPorts); }

    // `name` in the test's directory, made a link to the terminal at `target`.
    QString Port(const std::string& name, const std::string& target) {
        const std::string path = dir.path().toStdString() + "/" + name;
        std::filesystem::create_symlink(target, path);
        return QString::fromStdString(path);
    }
    // A name in the test's directory that no terminal stands behind.
    QString Missing(const std::string& name) { return dir.path() + "/" + name.c_str(); }

    QTemporaryDir dir;
    QStringList ports;
    MessageBoxes boxes;
    SerialPortSource previousPorts;
};

// Runs `action` on the modal dialog of type T as soon as it is up (polled from the event loop
// that runs it). Returns at once with the polling timer, which ends itself once the action has
// run; a test that expects the dialog never to come deletes it.
template <typename T>
QTimer* WhenModal(std::function<void(T&)> action) {
    auto* timer = new QTimer;
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, action] {
        if (auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            action(*dialog);
        }
    });
    timer->start();
    return timer;
}
