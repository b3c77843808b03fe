#include "startup/modMain.h"

int main(int argc, char* argv[])
{
    return modMain::Main(argc, argv);
}
