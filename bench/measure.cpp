#include "bench/measure.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace palvex::bench {

namespace {

template <typename Child>
Measurement measure(Child child, int runs, const std::function<void()>& prepare) {
    Measurement best{1e30, 0};
    for (int i = 0; i < runs; ++i) {
        if (prepare)
            prepare();
        const auto start = std::chrono::steady_clock::now();
        const pid_t pid = ::fork();
        if (pid == 0)
            child();
        int status = 0;
        struct rusage usage {};
        ::wait4(pid, &status, 0, &usage);
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
            throw std::runtime_error("a measured run failed");
        best.seconds = std::min(best.seconds, seconds);
        best.peakMiB = std::max(best.peakMiB, usage.ru_maxrss / 1024.0);
    }
    return best;
}

void redirect(const std::string& file, int fd, int flags) {
    if (file.empty())
        return;
    const int opened = ::open(file.c_str(), flags, 0644);
    if (opened < 0 || ::dup2(opened, fd) < 0)
        ::_exit(127);
    ::close(opened);
}

} // namespace

Measurement measureInChild(const std::function<int()>& work, int runs,
                           const std::function<void()>& prepare) {
    return measure([&] { ::_exit(work()); }, runs, prepare);
}

Measurement measureCommand(const std::vector<std::string>& argv, const std::string& stdinFile,
                           const std::string& stdoutFile, int runs,
                           const std::function<void()>& prepare) {
    return measure(
        [&] {
            redirect(stdinFile, 0, O_RDONLY);
            redirect(stdoutFile, 1, O_WRONLY | O_CREAT | O_TRUNC);
            std::vector<char*> args;
            for (const std::string& a : argv)
                args.push_back(const_cast<char*>(a.c_str()));
            args.push_back(nullptr);
            ::execvp(args[0], args.data());
            ::_exit(127);
        },
        runs, prepare);
}

void writeTree(const std::string& root, long long totalBytes, int files) {
    const std::string data = root + ".data";
    writeMixedData(data, totalBytes);
    std::ifstream in(data, std::ios::binary);
    const long long each = totalBytes / files;
    std::vector<char> buffer(static_cast<std::size_t>(each));
    for (int i = 0; i < files; ++i) {
        const std::string folder = root + "/image/set" + std::to_string(i % 20);
        std::filesystem::create_directories(folder);
        in.read(buffer.data(), each);
        std::ofstream(folder + "/picture" + std::to_string(i) + ".gif", std::ios::binary)
            .write(buffer.data(), in.gcount());
    }
    std::filesystem::remove(data);
}

std::string folderOf(const std::string& path) {
    return path.substr(0, path.find_last_of('/'));
}

void writeMixedData(const std::string& path, long long bytes) {
    std::ofstream out(path, std::ios::binary);
    std::mt19937 engine(42);
    std::string chunk;
    long long written = 0;
    for (int turn = 0; written < bytes; ++turn) {
        chunk.clear();
        if (turn % 2 == 0) {
            for (int line = 0; chunk.size() < 1 << 20; ++line)
                chunk += "image/en/menu" + std::to_string(line % 97) + ".gif size " +
                         std::to_string(engine() % 4096) + " kb\n";
        } else {
            chunk.resize(1 << 20);
            for (char& c : chunk)
                c = static_cast<char>(engine());
        }
        const long long n = std::min<long long>(bytes - written, chunk.size());
        out.write(chunk.data(), n);
        written += n;
    }
}

bool sameContent(const std::string& a, const std::string& b) {
    std::ifstream x(a, std::ios::binary), y(b, std::ios::binary);
    std::vector<char> bx(1 << 16), by(1 << 16);
    while (x && y) {
        x.read(bx.data(), bx.size());
        y.read(by.data(), by.size());
        if (x.gcount() != y.gcount() ||
            !std::equal(bx.begin(), bx.begin() + x.gcount(), by.begin()))
            return false;
    }
    return !x && !y;
}

std::string scratchFolder() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/palvex-bench-XXXXXX";
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error("no scratch folder");
    return pattern;
}

void printRow(const std::string& what, const Measurement& ours, const Measurement& theirs) {
    std::printf("%-34s %9.3f s %9.3f s %7.3f %9.1f MiB\n", what.c_str(), ours.seconds,
                theirs.seconds, ours.seconds / theirs.seconds, ours.peakMiB);
    std::fflush(stdout);
}

} // namespace palvex::bench
