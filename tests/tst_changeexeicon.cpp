// Replacing the icon images of a Windows executable with the 32-bit images of an icon file.
#include "basewidget.h"
#include "resourcereader.h"
#include "sandbox.h"

#include <QFile>
#include <QtEndian>
#include <QtTest>

namespace {

struct IconImage
{
    int bitsPerPixel;
    int width;
};

// The bytes of image i of a test icon file: different lengths and contents for every image.
QByteArray imageBytes(int i)
{
    return QByteArray("image-") + QByteArray::number(i) + QByteArray(40 + 13 * i, char('a' + i));
}

// An icon file whose images are recognisable byte strings rather than pictures: the writer
// copies image bytes as they stand.
QByteArray iconFile(const QList<IconImage> &images)
{
    QByteArray header(6, '\0');
    qToLittleEndian<quint16>(1, header.data() + 2);
    qToLittleEndian<quint16>(quint16(images.size()), header.data() + 4);
    QByteArray directory;
    QByteArray data;
    const int dataStart = 6 + 16 * images.size();
    for (int i = 0; i < images.size(); ++i) {
        const QByteArray image = imageBytes(i);
        QByteArray entry(16, '\0');
        entry[0] = char(images.at(i).width % 256);
        entry[1] = char(images.at(i).width % 256);
        qToLittleEndian<quint16>(1, entry.data() + 4);
        qToLittleEndian<quint16>(quint16(images.at(i).bitsPerPixel), entry.data() + 6);
        qToLittleEndian<quint32>(quint32(image.size()), entry.data() + 8);
        qToLittleEndian<quint32>(quint32(dataStart + data.size()), entry.data() + 12);
        directory += entry;
        data += image;
    }
    return header + directory + data;
}

} // namespace

Q_DECLARE_METATYPE(IconImage)

class TestChangeExeIcon : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void selection_data();
    void selection();
    void failureLeavesTheExecutable_data();
    void failureLeavesTheExecutable();
};

void TestChangeExeIcon::initTestCase()
{
    QString why;
    if (!ResourceReader::available(&why))
        QSKIP(qPrintable(why));
}

void TestChangeExeIcon::selection_data()
{
    QTest::addColumn<QString>("fixture");
    QTest::addColumn<QList<IconImage>>("images");
    QTest::addColumn<QList<int>>("expected"); // image index written to ids 1 to 7

    const QList<IconImage> seven = {{32, 16}, {32, 24}, {32, 32}, {32, 48}, {32, 64}, {32, 128}, {32, 0}};
    const QList<IconImage> nine = seven + QList<IconImage>{{32, 16}, {32, 32}};
    const QList<IconImage> three = {{32, 16}, {32, 32}, {32, 48}};
    const QList<IconImage> mixed = {{8, 16}, {32, 16}, {24, 32}, {8, 32}, {32, 32}, {32, 48}};
    for (const char *fixture : {"client-reloc.exe", "client-last.exe"}) {
        QTest::addRow("%s: seven 32-bit images", fixture) << fixture << seven << QList<int>{0, 1, 2, 3, 4, 5, 6};
        QTest::addRow("%s: nine, the last two unused", fixture) << fixture << nine << QList<int>{0, 1, 2, 3, 4, 5, 6};
        QTest::addRow("%s: three", fixture) << fixture << three << QList<int>{0, 0, 0, 0, 0, 1, 2};
        QTest::addRow("%s: mixed depths", fixture) << fixture << mixed << QList<int>{1, 1, 1, 1, 1, 4, 5};
    }
}

void TestChangeExeIcon::selection()
{
    QFETCH(QString, fixture);
    QFETCH(QList<IconImage>, images);
    QFETCH(QList<int>, expected);

    Sandbox sandbox;
    sandbox.writeBranding({{"name", "n"}});
    const QString exe = sandbox.path(QStringLiteral("client.exe"));
    QVERIFY(QFile::copy(QStringLiteral(PE_FIXTURES "/") + fixture, exe));
    QFile::setPermissions(exe, QFile::permissions(exe) | QFile::WriteOwner);
    sandbox.writeFile(QStringLiteral("TS.ico"), iconFile(images));
    const QByteArray groupBefore = ResourceReader::read(exe, 14, QStringLiteral("1"), 1033);
    const QByteArray versionBefore = ResourceReader::read(exe, 16, QStringLiteral("1"), 1033);
    const QByteArray stringsBefore = ResourceReader::read(exe, 6, QStringLiteral("1"), 1033);
    const QByteArray configBefore = ResourceReader::read(exe, 10, QStringLiteral("CONFIG"), 1033);
    QVERIFY(!groupBefore.isEmpty() && !versionBefore.isEmpty() && !stringsBefore.isEmpty() && !configBefore.isEmpty());

    BaseWidget widget;
    QVERIFY(widget.ChangeExeIcon(sandbox.path(QStringLiteral("TS.ico")), exe));

    for (int id = 1; id <= 7; ++id)
        QCOMPARE(ResourceReader::read(exe, 3, QString::number(id), 1033), imageBytes(expected.at(id - 1)));
    QCOMPARE(ResourceReader::read(exe, 14, QStringLiteral("1"), 1033), groupBefore);
    QCOMPARE(ResourceReader::read(exe, 16, QStringLiteral("1"), 1033), versionBefore);
    QCOMPARE(ResourceReader::read(exe, 6, QStringLiteral("1"), 1033), stringsBefore);
    QCOMPARE(ResourceReader::read(exe, 10, QStringLiteral("CONFIG"), 1033), configBefore);
    QVERIFY(ResourceReader::isValidExecutable(exe));

    // A second change over the first, as an update of a branded client does.
    QVERIFY(widget.ChangeExeIcon(sandbox.path(QStringLiteral("TS.ico")), exe));
    QCOMPARE(ResourceReader::read(exe, 3, QStringLiteral("7"), 1033), imageBytes(expected.at(6)));
    QVERIFY(ResourceReader::isValidExecutable(exe));
}

void TestChangeExeIcon::failureLeavesTheExecutable_data()
{
    QTest::addColumn<QString>("fault");
    QTest::newRow("no 32-bit image") << "no32";
    QTest::newRow("icon file missing") << "noIcon";
    QTest::newRow("executable missing") << "noExe";
    QTest::newRow("not an executable") << "text";
}

void TestChangeExeIcon::failureLeavesTheExecutable()
{
    QFETCH(QString, fault);

    Sandbox sandbox;
    sandbox.writeBranding({{"name", "n"}});
    const QString exe = sandbox.path(QStringLiteral("client.exe"));
    if (fault == QLatin1String("text"))
        sandbox.writeFile(QStringLiteral("client.exe"), "not a program");
    else if (fault != QLatin1String("noExe"))
        QVERIFY(QFile::copy(QStringLiteral(PE_FIXTURES "/client-reloc.exe"), exe));
    QFile::setPermissions(exe, QFile::permissions(exe) | QFile::WriteOwner);
    if (fault != QLatin1String("noIcon")) {
        sandbox.writeFile(QStringLiteral("TS.ico"),
                          iconFile(fault == QLatin1String("no32") ? QList<IconImage>{{8, 16}, {24, 32}, {4, 48}}
                                                                  : QList<IconImage>{{32, 16}}));
    }
    QFile before(exe);
    const QByteArray bytes = before.open(QIODevice::ReadOnly) ? before.readAll() : QByteArray();
    before.close();

    BaseWidget widget;
    QVERIFY(!widget.ChangeExeIcon(sandbox.path(QStringLiteral("TS.ico")), exe));

    QFile after(exe);
    QCOMPARE(after.open(QIODevice::ReadOnly) ? after.readAll() : QByteArray(), bytes);
    QCOMPARE(QFileInfo::exists(exe), fault != QLatin1String("noExe"));
}

QTEST_MAIN(TestChangeExeIcon)
#include "tst_changeexeicon.moc"
