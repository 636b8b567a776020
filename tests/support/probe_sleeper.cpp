// Sleeps for the given number of seconds (300 without an argument), then ends.
#include <chrono>
#include <cstdlib>
#include <thread>

int main(int argc, char *argv[])
{
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 300;
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    return 0;
}
