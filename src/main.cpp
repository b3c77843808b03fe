// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "app/Program.h"

int main(int argc, char* argv[])
{
    return Program::Main(argc, argv);
}
