// SPDX-License-Identifier: GPL-3.0-or-later
// Runs a fuzz target without libFuzzer: every file of the seed corpus, then a fixed
// number of inputs mutated from them with a fixed seed, so that a test run is the same
// run every time and needs no clang. The real fuzzing is done by the libFuzzer builds
// (KELVO_FUZZ); this keeps the targets and their seeds exercised by every build.
//
//   <target> [--runs N] [--seed S] [--max-len L] [--save-last FILE] corpus-folder-or-file...
//
// A failure aborts. --save-last writes the last input of the run to FILE before running
// it, so that with --runs cut down to the failing run the input can be kept.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

using Bytes = std::vector<std::uint8_t>;

// xorshift64*: small, fast and the same on every machine.
class Random {
public:
    explicit Random(std::uint64_t seed) : state_(seed == 0 ? 0x9E3779B97F4A7C15ULL : seed) {}
    std::uint64_t Next() {
        state_ ^= state_ >> 12;
        state_ ^= state_ << 25;
        state_ ^= state_ >> 27;
        return state_ * 0x2545F4914F6CDD1DULL;
    }
    std::size_t Below(std::size_t bound) { return bound == 0 ? 0 : static_cast<std::size_t>(Next() % bound); }

private:
    std::uint64_t state_;
};

constexpr std::uint8_t kInteresting[] = {0x00, 0x01, 0x02, 0x04, 0x08, 0x10, 0x20, 0x41, 0x7F, 0x80, 0x84, 0xFF};

// One of the mutations libFuzzer also makes, simplified.
void Mutate(Bytes& input, const std::vector<Bytes>& corpus, Random& random, std::size_t maxLength) {
    switch (random.Below(7)) {
        case 0:  // flip a bit
            if (!input.empty()) input[random.Below(input.size())] ^= static_cast<std::uint8_t>(1U << random.Below(8));
            break;
        case 1:  // a random byte
            if (!input.empty()) input[random.Below(input.size())] = static_cast<std::uint8_t>(random.Next());
            break;
        case 2:  // an interesting byte
            if (!input.empty()) input[random.Below(input.size())] = kInteresting[random.Below(std::size(kInteresting))];
            break;
        case 3:  // insert a byte
            input.insert(input.begin() + static_cast<long>(random.Below(input.size() + 1)),
                         static_cast<std::uint8_t>(random.Next()));
            break;
        case 4:  // erase a run
            if (!input.empty()) {
                const std::size_t at = random.Below(input.size());
                const std::size_t count = 1 + random.Below(std::min<std::size_t>(8, input.size() - at));
                input.erase(input.begin() + static_cast<long>(at), input.begin() + static_cast<long>(at + count));
            }
            break;
        case 5:  // copy a run within the input
            if (!input.empty()) {
                const std::size_t from = random.Below(input.size());
                const std::size_t count = 1 + random.Below(std::min<std::size_t>(16, input.size() - from));
                const Bytes run(input.begin() + static_cast<long>(from), input.begin() + static_cast<long>(from + count));
                input.insert(input.begin() + static_cast<long>(random.Below(input.size() + 1)), run.begin(), run.end());
            }
            break;
        default: {  // splice with another seed
            const Bytes& other = corpus[random.Below(corpus.size())];
            const std::size_t keep = random.Below(input.size() + 1);
            const std::size_t from = random.Below(other.size() + 1);
            input.resize(keep);
            input.insert(input.end(), other.begin() + static_cast<long>(from), other.end());
            break;
        }
    }
    if (input.size() > maxLength) input.resize(maxLength);
}

bool ReadFile(const std::filesystem::path& path, std::vector<Bytes>& corpus) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return false;
    corpus.emplace_back(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    return true;
}

std::uint64_t Number(const char* text) { return std::strtoull(text, nullptr, 10); }

}  // namespace

int main(int argc, char** argv) {
    std::uint64_t runs = 10000;
    std::uint64_t seed = 1;
    std::size_t maxLength = 4096;
    std::string saveLast;
    std::vector<Bytes> corpus;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--runs" && i + 1 < argc) {
            runs = Number(argv[++i]);
        } else if (argument == "--seed" && i + 1 < argc) {
            seed = Number(argv[++i]);
        } else if (argument == "--max-len" && i + 1 < argc) {
            maxLength = static_cast<std::size_t>(Number(argv[++i]));
        } else if (argument == "--save-last" && i + 1 < argc) {
            saveLast = argv[++i];
        } else if (std::filesystem::is_directory(argument)) {
            std::vector<std::filesystem::path> files;
            for (const auto& entry : std::filesystem::directory_iterator(argument)) files.push_back(entry.path());
            std::sort(files.begin(), files.end());  // the same order on every machine
            for (const auto& file : files) ReadFile(file, corpus);
        } else if (!ReadFile(argument, corpus)) {
            std::fprintf(stderr, "cannot read %s\n", argv[i]);
            return 2;
        }
    }
    if (corpus.empty()) {
        std::fprintf(stderr, "usage: %s [--runs N] [--seed S] [--max-len L] [--save-last FILE] corpus...\n", argv[0]);
        return 2;
    }

    for (const Bytes& input : corpus) LLVMFuzzerTestOneInput(input.data(), input.size());
    Random random(seed);
    for (std::uint64_t run = 0; run < runs; ++run) {
        Bytes input = corpus[random.Below(corpus.size())];
        const std::size_t mutations = 1 + random.Below(4);
        for (std::size_t m = 0; m < mutations; ++m) Mutate(input, corpus, random, maxLength);
        if (!saveLast.empty() && run + 1 == runs) {
            std::ofstream(saveLast, std::ios::binary).write(reinterpret_cast<const char*>(input.data()),
                                                             static_cast<std::streamsize>(input.size()));
        }
        LLVMFuzzerTestOneInput(input.data(), input.size());
    }
    std::printf("%zu seeds and %llu mutated inputs, seed %llu: no failure\n", corpus.size(),
                static_cast<unsigned long long>(runs), static_cast<unsigned long long>(seed));
    return 0;
}
