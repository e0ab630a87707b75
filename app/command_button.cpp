#include "app/command_button.h"

#include <QAccessibleWidget>

namespace {

// The accessible side of the button: checkable and checked as shown, but pressed like a plain
// button. Qt's own would offer "Toggle", which only flips the shown state.
class CommandButtonAccessible : public QAccessibleWidget {
public:
    explicit CommandButtonAccessible(CommandCheckButton* button)
        : QAccessibleWidget(button, QAccessible::Button) {}

    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        state.checkable = true;
        state.checked = Button()->isChecked();
        state.pressed = Button()->isDown();
        return state;
    }

    QStringList actionNames() const override {
        QStringList names;
        if (widget()->isEnabled()) names << pressAction();
        return names + QAccessibleWidget::actionNames();
    }

    // A tool that toggles anyway gets the click too.
    void doAction(const QString& action) override {
        if (action == pressAction() || action == toggleAction()) {
            if (widget()->isEnabled()) Button()->animateClick();
            return;
        }
        QAccessibleWidget::doAction(action);
    }

private:
    CommandCheckButton* Button() const { return static_cast<CommandCheckButton*>(widget()); }
};

QAccessibleInterface* CommandButtonFactory(const QString& className, QObject* object) {
    if (className != QLatin1String(CommandCheckButton::staticMetaObject.className()))
        return nullptr;
    return new CommandButtonAccessible(static_cast<CommandCheckButton*>(object));
}

}  // namespace

CommandCheckButton::CommandCheckButton(QWidget* parent) : QPushButton(parent) {
    setCheckable(true);
    static const bool installed = [] {
        QAccessible::installFactory(CommandButtonFactory);
        return true;
    }();
    Q_UNUSED(installed);
}
