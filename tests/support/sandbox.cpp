#include "sandbox.h"

#include "basewidget.h"
#include "platform.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTextCodec>

#include <memory>

namespace {
const QList<QByteArray> sandboxVariables = {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME",
                                            "XDG_STATE_HOME", "XDG_RUNTIME_DIR", "TMPDIR", "TMP", "TEMP", "PROGRAMFILES", "APPDATA",
                                            "LOCALAPPDATA", "USERPROFILE"};

QString variableFolder(const QByteArray &variable)
{
    if (variable == "HOME" || variable == "USERPROFILE")
        return QStringLiteral("home");
    if (variable == "XDG_CONFIG_HOME")
        return QStringLiteral("home/.config");
    if (variable == "XDG_DATA_HOME")
        return QStringLiteral("home/.local/share");
    if (variable == "XDG_CACHE_HOME")
        return QStringLiteral("home/.cache");
    if (variable == "XDG_STATE_HOME")
        return QStringLiteral("home/.local/state");
    if (variable == "XDG_RUNTIME_DIR")
        return QStringLiteral("run");
    if (variable == "APPDATA")
        return QStringLiteral("home/AppData/Roaming");
    if (variable == "LOCALAPPDATA")
        return QStringLiteral("home/AppData/Local");
    if (variable == "TMPDIR" || variable == "TMP" || variable == "TEMP")
        return QStringLiteral("tmp");
    return QStringLiteral("programs");
}
// Where the registry is the machine's own (Windows, a wine prefix) a case must not see what the
// case before it wrote. Elsewhere each sandbox has registry files of its own anyway.
const QStringList suiteKeys = {
    QStringLiteral("HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\TesmarQLV"),
    QStringLiteral("HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\TesmarKD"),
    QStringLiteral("HKEY_CURRENT_USER\\Software\\Havrel"),
    QStringLiteral("HKEY_LOCAL_MACHINE\\SOFTWARE\\HavrelTest"),
};

void clearSuiteKeys()
{
    for (const QString &keyPath : suiteKeys) {
        const std::unique_ptr<QSettings> key(Platform::openKey(keyPath, nullptr));
        key->remove(QString());
        key->sync();
    }
    // The autostart value of the client the tests install.
    const std::unique_ptr<QSettings> run(
        Platform::openKey(QStringLiteral("HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Run"), nullptr));
    run->remove(QStringLiteral("Tesmar.exe"));
    run->sync();
}

// The desktop and the programs menu are the shell's own on Windows, shared by every test: what a
// case adds there goes with the case.
QStringList shellEntries()
{
    QStringList entries;
    for (const QString &folder : {Platform::desktopFolder(), Platform::programsMenuFolder()}) {
        const QStringList names = QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System | QDir::Hidden);
        for (const QString &name : names)
            entries.append(folder + QLatin1Char('/') + name);
    }
    return entries;
}
} // namespace

Sandbox::Sandbox()
    : m_savedChinese(BaseWidget::chinese)
    , m_savedExe(BaseWidget::exe)
    , m_savedThird(BaseWidget::third)
{
    for (const QByteArray &variable : sandboxVariables) {
        m_wasSet[variable] = qEnvironmentVariableIsSet(variable.constData());
        m_saved[variable] = qgetenv(variable.constData());
        const QString folder = path(variableFolder(variable));
        QDir().mkpath(folder);
        qputenv(variable.constData(), QDir::toNativeSeparators(folder).toLocal8Bit());
    }
    // Qt insists on a private runtime folder.
    QFile::setPermissions(path(QStringLiteral("run")), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    // A user's account has a desktop and a programs menu.
    QDir().mkpath(path(QStringLiteral("home/Desktop")));
    QDir().mkpath(path(QStringLiteral("home/.local/share/applications")));
    QDir().mkpath(programDir());
    // Servers are the test's own or none: nothing may reach for the build's default addresses.
    writeFile(QStringLiteral("program/service.ini"), "[server]\nops=http://127.0.0.1:9\nweb=http://127.0.0.1:9\n");
    BaseWidget::setProgramDirForTesting(programDir());
    clearSuiteKeys();
    m_shellEntries = shellEntries();
}

Sandbox::~Sandbox()
{
    clearSuiteKeys();
    for (const QString &entry : shellEntries()) {
        if (m_shellEntries.contains(entry))
            continue;
        if (QFileInfo(entry).isDir() && !QFileInfo(entry).isSymLink())
            QDir(entry).removeRecursively();
        else
            QFile::remove(entry);
    }
    BaseWidget::setProgramDirForTesting(QString());
    BaseWidget::chinese = m_savedChinese;
    BaseWidget::exe = m_savedExe;
    BaseWidget::third = m_savedThird;
    for (const QByteArray &variable : sandboxVariables) {
        if (m_wasSet.value(variable))
            qputenv(variable.constData(), m_saved.value(variable));
        else
            qunsetenv(variable.constData());
    }
}

bool Sandbox::isValid() const
{
    return m_dir.isValid();
}

QString Sandbox::root() const
{
    return m_dir.path();
}

QString Sandbox::path(const QString &relative) const
{
    return m_dir.filePath(relative);
}

QString Sandbox::programDir() const
{
    return path(QStringLiteral("program"));
}

void Sandbox::writeBranding(const QMap<QString, QString> &info, const QByteArray &codec) const
{
    QTextCodec *textCodec = QTextCodec::codecForName(codec);
    QByteArray content = "[info]\r\n";
    for (auto it = info.cbegin(); it != info.cend(); ++it)
        content += it.key().toLatin1() + '=' + textCodec->fromUnicode(it.value()) + "\r\n";
    writeFile(QStringLiteral("program/TS.ini"), content);
}

void Sandbox::writeFile(const QString &relative, const QByteArray &content) const
{
    const QString file = path(relative);
    QDir().mkpath(QFileInfo(file).absolutePath());
    QFile out(file);
    if (out.open(QIODevice::WriteOnly | QIODevice::Truncate))
        out.write(content);
}

QProcessEnvironment Sandbox::environment() const
{
    return QProcessEnvironment::systemEnvironment();
}

void Sandbox::setRegistryValue(const QString &keyPath, const QString &name, const QString &value)
{
    const std::unique_ptr<QSettings> key(Platform::openKey(keyPath, nullptr));
    key->setValue(name, value);
    key->sync();
}

QString Sandbox::registryValue(const QString &keyPath, const QString &name)
{
    const std::unique_ptr<QSettings> key(Platform::openKey(keyPath, nullptr));
    return key->value(name).toString();
}

QByteArray fileBytes(const QString &file)
{
    QFile in(file);
    return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
}

QStringList filesBelow(const QString &folder)
{
    QStringList files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        files.append(QDir(folder).relativeFilePath(it.next()));
    files.sort();
    return files;
}
