// A minimal check counter for the Windows test programs, which run under Wine without a test
// framework: each check prints one line, and the program ends with the plain summary line.
#pragma once

#include <cstdio>
#include <string>

namespace wintest
{

inline int passed = 0, failed = 0;

// Prints "PASS: what" or "FAIL: what" and returns `ok`.
inline bool Check(bool ok, const std::string& what)
{
    std::printf("%s: %s\n", ok ? "PASS" : "FAIL", what.c_str());
    std::fflush(stdout);
    ++(ok ? passed : failed);
    return ok;
}

// Prints "N passed, N failed" and gives the process's exit code.
inline int Summary()
{
    std::printf("%d passed, %d failed\n", passed, failed);
    return failed == 0 ? 0 : 1;
}

} // namespace wintest
