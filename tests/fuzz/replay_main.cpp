// Replays inputs through a fuzz target without libFuzzer: every file named on the command
// line, or every file in a folder named there (files starting with "." are skipped). Fails
// when there was no input at all, so a moved seed folder cannot pass unnoticed. The slowest
// input is reported, as the fuzzer's own runs do.
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <cstdint>
#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int* argc, char*** argv);

namespace {

QStringList inputsOf(const QString& path) {
    const QFileInfo info(path);
    if (!info.isDir()) return {path};
    QStringList files;
    const QDir dir(path);
    for (const QString& name : dir.entryList(QDir::Files, QDir::Name)) files << dir.filePath(name);
    return files;
}

}  // namespace

int main(int argc, char** argv) {
    if (LLVMFuzzerInitialize) LLVMFuzzerInitialize(&argc, &argv);
    int count = 0;
    qint64 slowestNs = -1;
    QString slowest;
    for (int i = 1; i < argc; ++i) {
        for (const QString& file : inputsOf(QString::fromLocal8Bit(argv[i]))) {
            QFile f(file);
            if (!f.open(QIODevice::ReadOnly)) {
                std::fprintf(stderr, "Die Eingabe %s kann nicht gelesen werden.\n", qPrintable(file));
                return 1;
            }
            const QByteArray bytes = f.readAll();
            std::fprintf(stderr, "%s\n", qPrintable(file));
            QElapsedTimer timer;
            timer.start();
            LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size()));
            const qint64 ns = timer.nsecsElapsed();
            if (ns > slowestNs) {
                slowestNs = ns;
                slowest = file;
            }
            ++count;
        }
    }
    if (count == 0) {
        std::fprintf(stderr, "Keine Eingaben gefunden.\n");
        return 1;
    }
    std::printf("%d Eingaben ohne Fehler; die langsamste: %s (%.3f ms)\n", count, qPrintable(slowest),
                double(slowestNs) / 1e6);
    return 0;
}
