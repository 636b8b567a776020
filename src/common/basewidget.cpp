#include "basewidget.h"

#include "platform.h"
#include "xfunc.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QJsonObject>
#include <QJsonValue>
#include <QMouseEvent>
#include <QPainter>
#include <QSettings>
#include <QtEndian>
#include <QtMath>

#include <cstdio>
#include <cstdlib>

static void initCommonResources()
{
    static const bool once = [] {
        Q_INIT_RESOURCE(common);
        return true;
    }();
    Q_UNUSED(once);
}

namespace {
QString &programDirOverride()
{
    static QString dir;
    return dir;
}

std::function<void(int)> &endProgramHandler()
{
    static std::function<void(int)> handler;
    return handler;
}

const QString uninstallKeyPath = QStringLiteral("HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall");
const QString runKeyPath = QStringLiteral("HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Run");
const QString companyKeyPath = QStringLiteral("HKEY_CURRENT_USER\\Software\\Havrel");
const QString productKeyPattern = QStringLiteral("HKEY_CURRENT_USER\\Software\\Havrel\\%1\\Settings");

// "TS.ini" stores the Chinese display names in GB2312.
void openBrandingFile(QSettings &ini)
{
    ini.setIniCodec("GB2312");
}
} // namespace

QString BaseWidget::exe;
QString BaseWidget::third;
bool BaseWidget::chinese = true;

BaseWidget::BaseWidget(QWidget *parent)
    : QWidget(parent)
{
    initCommonResources();
    setWindowFlags(Qt::FramelessWindowHint | Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint);
    setAttribute(Qt::WA_TranslucentBackground);

    runReg = Platform::openKey(runKeyPath, this);
    uninstallReg = Platform::openKey(uninstallKeyPath, this);
    companyReg = Platform::openKey(companyKeyPath, this);
    appDir = programDir();

    if (QFileInfo::exists(appDir + QStringLiteral("/TS.ini")))
        loadFromIni();
    else
        loadFromRegistry();

    const QSettings service(appDir + QStringLiteral("/service.ini"), QSettings::IniFormat);
    bsServer = service.value(QStringLiteral("server/bs")).toString();
}

BaseWidget::~BaseWidget() = default;

void BaseWidget::loadFromRegistry()
{
    // Without "TS.ini" the program lies inside an installation; its path tells the product.
    // Unlike productKey(), this rule falls back to the partner key.
    const QString key = appDir.contains(QStringLiteral("TesmarQLV")) ? QStringLiteral("TesmarQLV")
                                                                     : QStringLiteral("TesmarKD");
    productReg = Platform::openKey(productKeyPattern.arg(key), this);

    uninstallReg->beginGroup(key);
    installDir = uninstallReg->value(QStringLiteral("installDir")).toString();
    uninstallReg->endGroup();

    if (installDir.isEmpty()) {
        // The product is not installed: nothing to serve, and nothing to tell the user.
        qDebug() << "no installation of" << key;
        endProgram(0);
        return;
    }

    const QJsonObject info = XFunc::stringToJson(productReg->value(QStringLiteral("info")).toString());
    third = info.value(QStringLiteral("third")).toString();
    name = info.value(QStringLiteral("name")).toString();
    nameEN = info.value(QStringLiteral("nameEN")).toString();
    exe = info.value(QStringLiteral("exe")).toString();
    mark = info.value(QStringLiteral("mark")).toString();
    lang = info.value(QStringLiteral("lang")).toString();
}

void BaseWidget::loadFromIni()
{
    QSettings ini(appDir + QStringLiteral("/TS.ini"), QSettings::IniFormat);
    openBrandingFile(ini);
    exe = ini.value(QStringLiteral("info/exe")).toString();
    name = ini.value(QStringLiteral("info/name")).toString();
    nameEN = ini.value(QStringLiteral("info/nameEN")).toString();
    third = ini.value(QStringLiteral("info/third")).toString();
    mark = ini.value(QStringLiteral("info/mark")).toString();
    lang = ini.value(QStringLiteral("info/lang")).toString();
    productReg = Platform::openKey(productKeyPattern.arg(productKey()), this);
}

bool BaseWidget::isChinese()
{
    chinese = lang != QStringLiteral("en_us");
    return chinese;
}

QString BaseWidget::productKey()
{
    return third == QStringLiteral("KDRender") ? QStringLiteral("TesmarKD") : QStringLiteral("TesmarQLV");
}

QString BaseWidget::iniThird()
{
    QSettings ini(programDir() + QStringLiteral("/TS.ini"), QSettings::IniFormat);
    openBrandingFile(ini);
    return ini.value(QStringLiteral("info/third")).toString();
}

QSettings *BaseWidget::productSettings() const
{
    return productReg;
}

QString BaseWidget::programDir()
{
    const QString &dir = programDirOverride();
    return dir.isEmpty() ? QCoreApplication::applicationDirPath() : dir;
}

void BaseWidget::setProgramDirForTesting(const QString &dir)
{
    programDirOverride() = dir;
}

void BaseWidget::endProgram(int code)
{
    if (endProgramHandler()) {
        endProgramHandler()(code);
        return;
    }
    std::fflush(stderr);
    std::exit(code);
}

void BaseWidget::setEndProgramForTesting(const std::function<void(int)> &handler)
{
    endProgramHandler() = handler;
}

// ---- window frame ----

void BaseWidget::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && canDrag(event))
        dragOffset = event->globalPos() - pos();
    QWidget::mousePressEvent(event);
}

void BaseWidget::mouseMoveEvent(QMouseEvent *event)
{
    // A press on the window's leftmost column gives x = 0, which reads as "no drag"; kept so,
    // since every window of the suite has a 3-pixel transparent band there.
    if (dragOffset.x() != 0)
        move(event->globalPos() - dragOffset);
    QWidget::mouseMoveEvent(event);
}

void BaseWidget::mouseReleaseEvent(QMouseEvent *)
{
    dragOffset = QPoint();
}

void BaseWidget::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    // A soft shadow in the transparent 3-pixel band: outer outlines fade out.
    for (int i = 0; i < 3; ++i) {
        const int inset = 3 - i;
        painter.setPen(QPen(QColor(40, 40, 40, static_cast<int>(150 - 70 * qSqrt(i))), 1));
        painter.drawRoundedRect(QRect(inset, inset, width() - 2 * inset, height() - 2 * inset), 1, 1,
                                Qt::RelativeSize);
    }
}

bool BaseWidget::canDrag(QMouseEvent *)
{
    return true;
}

// ---- processes, files, registry, shell folders ----

bool BaseWidget::existProcess(QString name)
{
    if (!name.endsWith(QStringLiteral(".exe")))
        name += QStringLiteral(".exe");
    return Platform::processListing(name).contains(name.toUtf8());
}

void BaseWidget::killProcess(const QString &name)
{
    qDebug() << Platform::stopProcesses(name);
}

void BaseWidget::veryDel(const QString &path)
{
    if (path.isEmpty())
        return;
    qDebug() << path;

    const QFileInfo info(path);
    if (info.isSymLink() || info.isFile()) {
        if (!info.isSymLink())
            QFile::setPermissions(path, info.permissions() | QFile::WriteOwner);
        QFile::remove(path);
        return;
    }

    {
        QDirIterator files(path, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
        while (files.hasNext()) {
            files.next();
            const QFileInfo file = files.fileInfo();
            qDebug() << "subfile:" << file.absolutePath() << file.fileName();
            // A link is removed as a link; its target, wherever it lies, keeps its permissions.
            if (!file.isSymLink())
                QFile::setPermissions(file.filePath(), file.permissions() | QFile::WriteOwner);
            qDebug() << "subfile:" << QFile::remove(file.filePath());
        }
    }

    // The directories are listed in full before any goes: Windows does not remove a directory
    // while a listing of it is open, and the iterator keeps one open on every level it is in.
    // "." and ".." are listed too: an emptied directory goes through its "." entry, and its ".."
    // entry takes the parent along once that has become empty.
    QStringList dirs;
    {
        QDirIterator it(path, QDir::Dirs | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
        while (it.hasNext())
            dirs.append(it.next());
    }
    for (const QString &dir : qAsConst(dirs)) {
        qDebug() << "subdir:" << QFileInfo(dir).absoluteFilePath();
        qDebug() << "subdir:" << QDir().rmpath(dir);
    }
    qDebug() << "dir:" << QDir().rmpath(path);
}

void BaseWidget::createMenuShortcuts(const QString &folder, const QString &client, const QString &uninstaller)
{
    // All levels: removing an old folder with veryDel takes an emptied programs menu along.
    QDir().mkpath(folder);
    const QString start = chinese ? QStringLiteral("启动") : QStringLiteral("start ");
    const QString remove = chinese ? QStringLiteral("卸载") : QStringLiteral("uninstall ");
    QFile::link(client, folder + QLatin1Char('/') + QStringLiteral("%1.lnk").arg(QStringLiteral("%1%2").arg(start, name)));
    QFile::link(uninstaller, folder + QLatin1Char('/') + QStringLiteral("%1.lnk").arg(QStringLiteral("%1%2").arg(remove, name)));
}

QString BaseWidget::readReg(const QString &subKey, const QString &valueName)
{
    return Platform::readMachineValue64(subKey, valueName);
}

QString BaseWidget::maxInstallDir(const QString &version, int flavour)
{
    const QString flavourName = flavour == 1 ? QStringLiteral("3dsMax") : QStringLiteral("3dsMaxDesign");
    return readReg(QStringLiteral("SOFTWARE\\Autodesk\\%1\\%2").arg(flavourName, version), QStringLiteral("Installdir"));
}

QStringList BaseWidget::allMaxPath()
{
    // 3ds Max 2010 to 2012 registered one key per language; from 2013 on one key per release.
    static const QStringList versions = {
        QStringLiteral("12.0\\MAX-1:409"), QStringLiteral("12.0\\MAX-1:804"), QStringLiteral("13.0\\MAX-1:409"),
        QStringLiteral("13.0\\MAX-1:804"), QStringLiteral("14.0\\MAX-1:409"), QStringLiteral("14.0\\MAX-1:804"),
        QStringLiteral("15.0"),              QStringLiteral("16.0"),              QStringLiteral("17.0"),
        QStringLiteral("18.0"),              QStringLiteral("19.0"),              QStringLiteral("20.0")};
    const QString startup = QStringLiteral("scripts") + QDir::separator() + QStringLiteral("Startup") + QDir::separator();
    QStringList found;
    for (const QString &version : versions) {
        for (int flavour = 1; flavour <= 2; ++flavour) {
            const QString folder = maxInstallDir(version, flavour);
            if (folder.isEmpty())
                continue;
            // The registered folder ends with its separator; one without it names a folder
            // "...scripts" that does not exist, and that installation is passed over.
            const QFileInfo candidate(folder + startup);
            if (candidate.isDir())
                found.append(QDir::cleanPath(QDir::fromNativeSeparators(candidate.absoluteFilePath())));
        }
    }
    qDebug() << "qD" << found;
    return found;
}

QString BaseWidget::startMenuPath()
{
    return Platform::programsMenuFolder();
}

QString BaseWidget::desktopPath()
{
    return Platform::desktopFolder();
}

bool BaseWidget::ChangeExeIcon(const QString &iconFile, const QString &exeFile)
{
    QFile icon(iconFile);
    if (!icon.exists() || !icon.open(QIODevice::ReadOnly))
        return false;

    // Short reads leave zeros, as a zero-filled buffer would.
    const QByteArray header = icon.read(6).leftJustified(6, '\0', true);
    const int count = qFromLittleEndian<quint16>(header.constData() + 4);
    QList<QByteArray> selection;
    for (int i = 0; i < count; ++i) {
        const QByteArray entry = icon.read(16).leftJustified(16, '\0', true);
        const int bitsPerPixel = qFromLittleEndian<quint16>(entry.constData() + 6);
        qDebug() << bitsPerPixel << quint8(entry.at(0));
        if (bitsPerPixel == 32)
            selection.prepend(entry);
    }
    // The first seven 32-bit images of the file, the last of them first.
    while (selection.size() > 7)
        selection.removeFirst();
    if (selection.isEmpty())
        return false;

    QList<QPair<int, QByteArray>> images;
    for (int j = 0; j < 7; ++j) {
        const QByteArray &entry = j < selection.size() ? selection.at(j) : selection.last();
        const quint32 length = qFromLittleEndian<quint32>(entry.constData() + 8);
        const quint32 offset = qFromLittleEndian<quint32>(entry.constData() + 12);
        // No icon image comes near this; a larger length is a damaged file, not a picture.
        if (length > 16 * 1024 * 1024)
            return false;
        icon.seek(offset);
        images.append({7 - j, icon.read(length).leftJustified(int(length), '\0', true)});
    }
    return Platform::writeIconResources(exeFile, images);
}
