// Unpacks ARCHIVE into TARGET with the installer's extraction routine and prints how many
// entries it reported. Exit code 1 when the routine failed.
#include "extraction.h"

#include <QCoreApplication>
#include <QObject>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3) {
        std::fprintf(stderr, "usage: extract_driver ARCHIVE TARGET\n");
        return 2;
    }
    QObject progress;
    int notifications = 0;
    QObject::connect(&progress, &QObject::objectNameChanged, [&notifications] { ++notifications; });
    const QStringList files = Extraction::QLVextractDir(args.at(1), args.at(2), &progress);
    std::printf("%d entries, %d notifications\n", int(files.size()), notifications);
    return files.isEmpty() ? 1 : 0;
}
