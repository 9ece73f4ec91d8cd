// Where windows appear: every dialog centred on the main window each time it opens (not
// where it was last, nor a title bar lower each time), and within the screen.
#pragma once

#include <QObject>
#include <QPointer>

class QWidget;

namespace ferolind::ui {

// The top-left point (frame included) that centres a window of outer size `outer` on
// `over`, moved so that the whole window lies on `area` where it fits.
QPoint centredWithin(const QRect& over, const QSize& outer, const QRect& area);

// Installed on the application: each dialog of the main window is centred on it when
// it is shown, and made no larger than the screen's free area.
class DialogPlacement : public QObject {
    Q_OBJECT
public:
    explicit DialogPlacement(QWidget* mainWindow);
    static void place(QWidget* dialog, QWidget* over);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointer<QWidget> main_;
};

}  // namespace ferolind::ui
