// Benchmarks of printing over a club of 5,000 members: the whole member list as a PDF
// file, and what the preview does before it shows the first page (the measuring pass and
// page 1 drawn at page width). FEROLIND_BENCH_PRINT_MEMBERS changes the size.
#include "data/datamodule.h"
#include "democlub.h"
#include "printing/memberlistlayout.h"
#include "printing/paintercanvas.h"
#include "printing/pdfoutput.h"
#include "session/session.h"

#include <benchmark/benchmark.h>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <memory>

namespace {

struct PrintClub {
    QTemporaryDir dir;
    int members = 5000;
    std::unique_ptr<ferolind::DataModule> dm;
    std::unique_ptr<ferolind::Session> session;
    PrintClub() {
        if (qEnvironmentVariableIsSet("FEROLIND_BENCH_PRINT_MEMBERS"))
            members = qEnvironmentVariableIntValue("FEROLIND_BENCH_PRINT_MEMBERS");
        ferolind::demo::Size size;
        size.members = members;
        size.bookings = 10;
        ferolind::demo::createDemoClub(dir.path(), size);
        dm = std::make_unique<ferolind::DataModule>();
        session = std::make_unique<ferolind::Session>(*dm);
        dm->openFolder(dir.path());
        session->loadAfterOpen();
    }
};

PrintClub& printClub() {
    static PrintClub c;
    return c;
}

// Arg: 0 portrait, 1 landscape; every column selected.
void memberListPdf(benchmark::State& state) {
    PrintClub& c = printClub();
    ferolind::printing::MemberListLayout layout(c.dm->members(), c.dm->feeClasses());
    layout.title = QStringLiteral("Mitgliederliste");
    layout.landscape = state.range(0) == 1;
    int pages = 0;
    for (auto _ : state)
        pages = ferolind::printing::writePdf(layout, 100, c.dir.filePath("liste.pdf"), layout.landscape, layout.title);
    state.counters["members"] = c.members;
    state.counters["pages"] = pages;
}
BENCHMARK(memberListPdf)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The preview's first page: the layout prepared for an A4 printer page of 1200 dpi and
// page 1 drawn into an image 900 pixels wide.
void memberListPreviewFirstPage(benchmark::State& state) {
    PrintClub& c = printClub();
    const int W = 9921, H = 14031;
    const double zoom = 900.0 / W;
    for (auto _ : state) {
        ferolind::printing::MemberListLayout layout(c.dm->members(), c.dm->feeClasses());
        layout.title = QStringLiteral("Mitgliederliste");
        ferolind::printing::PrintJob job(layout, 100);
        QImage image(int(W * zoom), int(H * zoom), QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        painter.scale(zoom, zoom);
        ferolind::printing::PainterCanvas canvas(painter);
        job.prepare(canvas, W, H);
        job.drawPage(canvas, W, H, 1);
        benchmark::DoNotOptimize(image.bits());
    }
    state.counters["members"] = c.members;
}
BENCHMARK(memberListPreviewFirstPage)->Unit(benchmark::kMillisecond);

}  // namespace
