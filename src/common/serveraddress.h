#pragma once

#include <QString>

// The addresses of the maker's servers that are not part of the branding: build defaults that
// "service.ini" beside the program may override (section "server", keys "ops" and "web"; base
// addresses without a trailing "/").
class ServerAddress
{
public:
    // The operations server, which receives the installation reports.
    static QString ops();
    // The product web server, which serves the update manifests and files.
    static QString web();
};
