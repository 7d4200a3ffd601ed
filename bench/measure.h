#pragma once

#include <functional>
#include <string>
#include <vector>

namespace palvex::bench {

struct Measurement {
    double seconds = 0; // wall time, the best of the runs
    double peakMiB = 0; // largest resident set of the child process
};

// Runs work in a child process, the given number of times; a failing run aborts the bench.
// prepare, when given, runs before each run and is not timed.
Measurement measureInChild(const std::function<int()>& work, int runs,
                           const std::function<void()>& prepare = {});
// Runs a command (argv) with stdin and stdout optionally redirected to files.
Measurement measureCommand(const std::vector<std::string>& argv, const std::string& stdinFile,
                           const std::string& stdoutFile, int runs,
                           const std::function<void()>& prepare = {});
// A tree of files of mixed content, about totalBytes in all, spread over folders.
void writeTree(const std::string& root, long long totalBytes, int files);
std::string folderOf(const std::string& path);

// Deterministic test data: compressible text and incompressible noise in turns.
void writeMixedData(const std::string& path, long long bytes);
bool sameContent(const std::string& a, const std::string& b);
std::string scratchFolder();
void printRow(const std::string& what, const Measurement& ours, const Measurement& theirs);

} // namespace palvex::bench
