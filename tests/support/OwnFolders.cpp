// SPDX-License-Identifier: MIT
// In every test binary: started directly, not by CTest, it starts again through
// isolated.sh, so that it keeps to folders of its own and never touches the user's.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

// glibc hands the program's arguments to its constructors, before main.
__attribute__((constructor)) static void RunInOwnFolders(int argc, char** argv, char**)
{
    if (std::getenv("KE_TEST_ISOLATED") != nullptr) return;
    std::vector<char*> args{const_cast<char*>(KE_TEST_LAUNCHER)};
    args.insert(args.end(), argv, argv + argc + 1);  // with the null that ends argv
    execv(KE_TEST_LAUNCHER, args.data());
    std::perror(KE_TEST_LAUNCHER);
    std::_Exit(1);
}
