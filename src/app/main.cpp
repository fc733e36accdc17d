#include "startup.h"

#include "res/resources.h"

#include "platform/entry.h"

int main(int argc, char** argv) {
    return platform::RunWinMain(argc, argv, TarvoResources(), WinMain);
}
