#pragma once

// "addrion /Sync": one sync of the default database without any window, for a timer.
// Exit code 0 on success, 1 with the reason on stderr.
namespace SyncCommand {

int Run(int argc, char* argv[]);

} // namespace SyncCommand
