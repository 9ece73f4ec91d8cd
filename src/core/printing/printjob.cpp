#include "printjob.h"

#include "data/progress.h"
#include "paintercanvas.h"

#include <QPagedPaintDevice>
#include <QPainter>

namespace ferolind::printing {

void PrintJob::drawPage(Canvas& canvas, int W, int H, int page) {
    const int last = layout_.drawPage(canvas, W, H, page);
    if (last > 0) {
        count_ = last;
        known_ = true;
    } else if (!known_ && page >= count_) {
        count_ = page + open_;
    }
}

int PrintJob::printAll(QPagedPaintDevice& device) {
    QPainter painter;
    if (!painter.begin(&device)) return 0;
    PainterCanvas canvas(painter);
    const int W = device.width(), H = device.height();
    reopen();
    prepare(canvas, W, H);
    Progress progress(QStringLiteral("Seiten werden gedruckt"), count_);
    int page = 1;
    for (;; ++page) {
        if (page > 1) {
            device.newPage();
            canvas.setPenWidth(1);
        }
        drawPage(canvas, W, H, page);
        progress.step(page);
        if (known_ && page >= count_) break;
    }
    painter.end();
    return page;
}

}  // namespace ferolind::printing
