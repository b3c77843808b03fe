#pragma once

// The process entry: settings, the database library check, and the choice between a
// birthday-reminder run and a normal run with the main window.
namespace modMain {

int Main(int argc, char* argv[]);

} // namespace modMain
