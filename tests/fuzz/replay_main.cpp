// Replays inputs through a fuzz target without libFuzzer: every file named on the command
// line, or every file in a folder named there (files starting with "." are skipped). Fails
// when there was no input at all, so a moved seed folder cannot pass unnoticed. The slowest
// input is reported, as the fuzzer's own runs do.
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QPair>
#include <QStringList>
#include <QVector>

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
    QVector<QPair<QString, QByteArray>> inputs;
    for (int i = 1; i < argc; ++i) {
        for (const QString& file : inputsOf(QString::fromLocal8Bit(argv[i]))) {
            QFile f(file);
            if (!f.open(QIODevice::ReadOnly)) {
                std::fprintf(stderr, "Die Eingabe %s kann nicht gelesen werden.\n", qPrintable(file));
                return 1;
            }
            inputs.append({file, f.readAll()});
        }
    }
    if (inputs.isEmpty()) {
        std::fprintf(stderr, "Keine Eingaben gefunden.\n");
        return 1;
    }
    const auto run = [](const QByteArray& bytes) {
        LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size()));
    };
    // The first run also pays for what is set up once (Qt's caches, time zones): untimed, so
    // that the slowest input named is one that is slow itself.
    std::fprintf(stderr, "%s\n", qPrintable(inputs.first().first));
    run(inputs.first().second);
    qint64 slowestNs = -1;
    QString slowest;
    for (const auto& [file, bytes] : inputs) {
        std::fprintf(stderr, "%s\n", qPrintable(file));
        QElapsedTimer timer;
        timer.start();
        run(bytes);
        const qint64 ns = timer.nsecsElapsed();
        if (ns > slowestNs) {
            slowestNs = ns;
            slowest = file;
        }
    }
    std::printf("%lld Eingaben ohne Fehler; die langsamste: %s (%.3f ms)\n", qlonglong(inputs.size()),
                qPrintable(slowest), double(slowestNs) / 1e6);
    return 0;
}
