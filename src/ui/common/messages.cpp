#include "messages.h"

#include "data/errors.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>

namespace ferolind::ui {

namespace {
MessageHandler& handler() {
    static MessageHandler h;
    return h;
}

Answer showBox(QWidget* parent, Kind kind, const QString& text, Buttons buttons, bool defaultNo = false) {
    if (handler()) return handler()(kind, text, buttons);
    // A screen that is not shown (or none) hands the box to the window in front, and that
    // window gets the keyboard back afterwards, on the control it had.
    if (!parent || !parent->isVisible()) parent = QApplication::activeWindow();
    QPointer<QWidget> back = parent ? parent->window() : nullptr;
    QPointer<QWidget> focused = back ? back->focusWidget() : nullptr;
    QMessageBox box(parent);
    box.setWindowTitle(QApplication::applicationName());
    box.setText(text);
    box.setTextFormat(Qt::PlainText);
    box.setTextInteractionFlags(Qt::TextSelectableByMouse);  // a path or address can be copied
    box.setIcon(kind == Kind::Error      ? QMessageBox::Critical
                : kind == Kind::Question ? QMessageBox::Question
                                         : QMessageBox::Information);
    QPushButton *yes = nullptr, *no = nullptr, *cancel = nullptr;
    if (buttons == Buttons::Ok) {
        box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    } else {
        yes = box.addButton(QStringLiteral("&Ja"), QMessageBox::YesRole);
        no = box.addButton(QStringLiteral("&Nein"), QMessageBox::NoRole);
        if (buttons == Buttons::YesNoCancel)
            cancel = box.addButton(QStringLiteral("Abbrechen"), QMessageBox::RejectRole);
        box.setDefaultButton(defaultNo ? no : yes);
        box.setEscapeButton(cancel ? cancel : no);
    }
    box.exec();
    if (back && back->isVisible()) {
        back->activateWindow();
        if (focused && focused->isVisible()) focused->setFocus(Qt::ActiveWindowFocusReason);
    }
    if (buttons == Buttons::Ok) return Answer::Ok;
    if (box.clickedButton() == yes) return Answer::Yes;
    if (box.clickedButton() == no) return Answer::No;
    return cancel ? Answer::Cancel : Answer::No;
}
}  // namespace

void setMessageHandler(MessageHandler h) { handler() = std::move(h); }

void inform(QWidget* parent, const QString& text) { showBox(parent, Kind::Information, text, Buttons::Ok); }

Answer ask(QWidget* parent, const QString& text, Buttons buttons) {
    return showBox(parent, Kind::Question, text, buttons);
}

Answer askDelete(QWidget* parent, const QString& text) {
    return showBox(parent, Kind::Question, text, Buttons::YesNo, true);
}

void showError(QWidget* parent, const QString& text) { showBox(parent, Kind::Error, text, Buttons::Ok); }

bool guarded(QWidget* parent, const std::function<void()>& action) {
    try {
        action();
        return true;
    } catch (const DataError& e) {
        showError(parent, e.message());
    } catch (const std::exception& e) {
        showError(parent, QString::fromLocal8Bit(e.what()));
    }
    return false;
}

}  // namespace ferolind::ui
