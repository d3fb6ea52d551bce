// Runs a fuzz target over every file of the folders given, as libFuzzer runs
// it over a corpus, so that the seeds and every past finding replay in the
// ordinary test run, with any compiler. The first folder (the seeds) must hold
// at least one file; the others may be missing.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int* argc, char*** argv);

namespace {

std::vector<std::filesystem::path> filesIn(const std::filesystem::path& folder)
{
    std::vector<std::filesystem::path> files;
    for (const auto& item : std::filesystem::directory_iterator(folder)) {
        if (item.is_regular_file())
            files.push_back(item.path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

// The input in a buffer of exactly its size, so that a read past its end is
// caught by AddressSanitizer in a sanitizer build.
bool replay(const std::filesystem::path& file)
{
    std::ifstream stream(file, std::ios::binary);
    const std::vector<char> contents{std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>()};
    if (stream.bad()) {
        std::fprintf(stderr, "cannot read %s\n", file.c_str());
        return false;
    }
    const auto data = std::make_unique<uint8_t[]>(contents.size());
    std::copy(contents.begin(), contents.end(), data.get());
    std::fprintf(stderr, "replaying %s\n", file.c_str());
    LLVMFuzzerTestOneInput(data.get(), contents.size());
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s SEED-FOLDER [FOLDER...]\n", argv[0]);
        return 2;
    }
    if (LLVMFuzzerInitialize)
        LLVMFuzzerInitialize(&argc, &argv);
    std::size_t replayed = 0;
    for (int i = 1; i < argc; ++i) {
        const std::filesystem::path folder(argv[i]);
        if (!std::filesystem::is_directory(folder)) {
            if (i == 1) {
                std::fprintf(stderr, "no seed folder %s\n", folder.c_str());
                return 1;
            }
            continue;
        }
        for (const auto& file : filesIn(folder)) {
            if (!replay(file))
                return 1;
            ++replayed;
        }
        if (i == 1 && replayed == 0) {
            std::fprintf(stderr, "no seeds in %s\n", folder.c_str());
            return 1;
        }
    }
    std::printf("%zu inputs replayed without a finding\n", replayed);
    return 0;
}
