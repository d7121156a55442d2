// The command-line program run from a test: its exit status, standard output and error.
#pragma once

#include <array>
#include <cstdio>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

#include "TestImages.h"

namespace testing_support {

struct CliRun {
    int status;
    std::string out, err;
};

inline CliRun Velora(const std::string& args) {
    static int calls = 0;
    const std::string errPath = TempPath("cli_err_" + std::to_string(getpid()) + "_" + std::to_string(++calls));
    CliRun run{};
    FILE* pipe = popen((std::string(VELORA_CLI_PATH) + " " + args + " 2>" + errPath).c_str(), "r");
    std::array<char, 4096> buf{};
    for (std::size_t n; (n = std::fread(buf.data(), 1, buf.size(), pipe)) > 0;) run.out.append(buf.data(), n);
    const int raw = pclose(pipe);
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    const auto err = ReadFile(errPath);
    run.err.assign(err.begin(), err.end());
    std::remove(errPath.c_str());
    return run;
}

}  // namespace testing_support
