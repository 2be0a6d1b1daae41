// Runs a fuzz target over the files of its corpus, as an ordinary test.
#include <QDir>
#include <QFile>

#include <cstdint>
#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size);

int main(int argc, char *argv[])
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s CORPUS_FOLDER\n", argv[0]);
        return 2;
    }
    const QDir corpus(QString::fromLocal8Bit(argv[1]));
    const QStringList inputs = corpus.entryList(QDir::Files, QDir::Name);
    if (inputs.isEmpty()) {
        std::fprintf(stderr, "no inputs in %s\n", argv[1]);
        return 1;
    }
    for (const QString &name : inputs) {
        QFile input(corpus.filePath(name));
        if (!input.open(QIODevice::ReadOnly))
            return 1;
        const QByteArray bytes = input.readAll();
        LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t *>(bytes.constData()),
                               std::size_t(bytes.size()));
    }
    std::printf("%lld passed, 0 failed\n", static_cast<long long>(inputs.size()));
    return 0;
}
