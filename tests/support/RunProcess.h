// Runs an independent tool on files the tests wrote and captures its output.
#pragma once

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern char** environ;

namespace quilto::test {

struct ProcessResult {
    bool started = false;  // false when the program could not be run at all
    std::string startError;
    int exitCode = -1;
    std::string out;
    std::string err;
};

// Runs program (looked up in PATH) with args; stdout and stderr go through
// scratch files so that neither can fill up and block the other.
inline ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& args) {
    ProcessResult result;
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/quilto-run-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) {
        result.startError = "mkdtemp failed";
        return result;
    }
    const std::string outPath = pattern + "/out";
    const std::string errPath = pattern + "/err";

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);

    std::vector<std::string> words{program};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);

    pid_t pid = 0;
    const int spawned = ::posix_spawnp(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned == 0) {
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        // The child's exec can fail after the spawn returned (glibc reports
        // it as exit code 127).
        result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        result.started = result.exitCode != 127;
        if (!result.started) result.startError = program + " not found (install it: scripts/install-deps.sh)";
    } else {
        result.startError = program + ": " + std::strerror(spawned) + " (install it: scripts/install-deps.sh)";
    }
    auto slurp = [](const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    };
    result.out = slurp(outPath);
    result.err = slurp(errPath);
    ::unlink(outPath.c_str());
    ::unlink(errPath.c_str());
    ::rmdir(pattern.c_str());
    return result;
}

}  // namespace quilto::test
