#pragma once

#include <memory>

class BaseWidget;
class SingleApp;

// The start-up that every program of the suite runs before its own checks.
class Startup
{
public:
    // Refuses a second program of the suite, sets the application font, loads branding and
    // settings into a window that is never shown and decides the language. Returns that window,
    // or null when another program of the suite runs and this one must end with exit code 0.
    static std::unique_ptr<BaseWidget> run(SingleApp &app);
};
