#pragma once
// A push button that shows a pressed state only the program sets: a click is reported through
// clicked() but never toggles it. Assistive tools see a button whose one action is that click,
// so they open what it opens instead of flipping its state.

#include <QPushButton>

class CommandCheckButton : public QPushButton {
    Q_OBJECT

public:
    explicit CommandCheckButton(QWidget* parent = nullptr);

protected:
    void nextCheckState() override {}
};
