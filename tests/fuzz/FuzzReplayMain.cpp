// Runs a fuzz target over every file of the folders given, as libFuzzer runs
// it over a corpus, so that the seeds and every past finding replay in the
// ordinary test run, with any compiler. The first folder (the seeds) must hold
// at least one file; the others may be missing.
#include <QDir>
#include <QFile>

#include <cstdint>
#include <cstdio>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int* argc, char*** argv);

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s SEED-FOLDER [FOLDER...]\n", argv[0]);
        return 2;
    }
    if (LLVMFuzzerInitialize)
        LLVMFuzzerInitialize(&argc, &argv);
    int replayed = 0;
    for (int i = 1; i < argc; ++i) {
        const QDir folder(QString::fromLocal8Bit(argv[i]));
        const QStringList files = folder.entryList(QDir::Files, QDir::Name);
        if (i == 1 && files.isEmpty()) {
            std::fprintf(stderr, "no seeds in %s\n", argv[i]);
            return 1;
        }
        for (const QString& name : files) {
            QFile file(folder.filePath(name));
            if (!file.open(QIODevice::ReadOnly)) {
                std::fprintf(stderr, "cannot read %s\n", qPrintable(file.fileName()));
                return 1;
            }
            // In a buffer of exactly its size, so that a read past its end is
            // caught by AddressSanitizer in a sanitizer build.
            const QByteArray contents = file.readAll();
            const auto data = std::make_unique<uint8_t[]>(size_t(contents.size()));
            std::copy(contents.cbegin(), contents.cend(), data.get());
            std::fprintf(stderr, "replaying %s\n", qPrintable(file.fileName()));
            LLVMFuzzerTestOneInput(data.get(), size_t(contents.size()));
            ++replayed;
        }
    }
    std::printf("%d inputs replayed without a finding\n", replayed);
    return 0;
}
