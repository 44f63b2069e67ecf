// Command table and dispatch of glimmerkit-cli. Exit codes: 0 all done, 1 some input failed,
// 2 usage error.
#pragma once

int RunCli(int argc, char** argv);
