// A second process for the TLxMutex tests, since a lock held by the test's own process is the
// same recursive mutex. Usage: quillmere_mutex_holder NAME MODE [MS]
//   create    CreateNamed only (a running marker)
//   hold      CreateNamed and Lock; with MS, Unlock again after MS milliseconds
//   try       CreateNamed, say "waiting", then Lock and say "locked" or the error's message
// It says "ready" once the name is held, then waits for its standard input to close.
#include "common/TLxMutex.h"

#include <QString>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace {

void say(const char *text)
{
    std::printf("%s\n", text);
    std::fflush(stdout);
}

void waitForEndOfInput()
{
    char line[64];
    while (std::fgets(line, sizeof line, stdin)) {
    }
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 3)
        return 2;
    TLxMutex mutex;
    try {
        mutex.CreateNamed(QString::fromUtf8(argv[1]));
        const char *mode = argv[2];
        if (std::strcmp(mode, "try") == 0) {
            say("waiting");
            mutex.Lock();
            say("locked");
        } else if (std::strcmp(mode, "hold") == 0) {
            mutex.Lock();
            say("ready");
            if (argc > 3) {
                std::this_thread::sleep_for(std::chrono::milliseconds(std::atoi(argv[3])));
                mutex.Unlock();
            }
        } else {
            say("ready");
        }
    } catch (const TLxMutex::Error &e) {
        say(e.what());
        return 1;
    }
    waitForEndOfInput();
    return 0;
}
