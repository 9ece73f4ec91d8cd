// The program's main window for a GUI test: opened on the club that DBPfad names, each
// screen it opens running the step the test put in for its class instead of a modal loop;
// and finding a screen's control by its object name.
#pragma once

#include "data/datamodule.h"
#include "mainform.h"
#include "session/session.h"

#include <QApplication>
#include <QDialog>
#include <QHash>
#include <QStringList>
#include <functional>
#include <memory>
#include <stdexcept>

namespace ferolind::test {

template <typename T = QWidget>
T* control(QWidget* screen, const char* name) {
    T* w = screen->findChild<T*>(QString::fromLatin1(name));
    if (!w) throw std::runtime_error(std::string("no control ") + name);
    return w;
}

struct ScriptedProgram {
    std::unique_ptr<DataModule> data;
    std::unique_ptr<Session> session;
    std::unique_ptr<TMainForm> window;
    QStringList shown;  // class names of the screens opened, in order
    QHash<QString, std::function<void(QDialog&)>> steps;

    void startProgram() {
        data = std::make_unique<DataModule>();
        session = std::make_unique<Session>(*data);
        window = std::make_unique<TMainForm>(*session);
        window->execScreen = [this](QDialog& d) {
            const QString name = QString::fromLatin1(d.metaObject()->className());
            shown << name;
            if (steps.contains(name)) steps.value(name)(d);
            return 0;
        };
        window->show();
        window->runStartUp();
        QApplication::processEvents();
    }
    // Closes the window (its shutdown runs) and ends the program before the club goes.
    void stopProgram() {
        window->close();
        window.reset();
        session.reset();
        data.reset();
    }
};

}  // namespace ferolind::test
