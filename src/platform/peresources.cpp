#include "peresources.h"

#include <QFile>
#include <QMap>
#include <QSaveFile>
#include <QtEndian>

#include <algorithm>

namespace {

// A level of the resource tree is keyed by a string or a number; strings sort first.
struct Key
{
    bool isString = false;
    quint32 id = 0;
    QString name;

    bool operator<(const Key &other) const
    {
        if (isString != other.isString)
            return isString;
        return isString ? name < other.name : id < other.id;
    }
};

struct Leaf
{
    QByteArray data;
    quint32 codePage = 0;
};

using Languages = QMap<Key, Leaf>;
using Names = QMap<Key, Languages>;
using Tree = QMap<Key, Names>;

struct Section
{
    int headerOffset; // of its 40-byte entry in the section table
    quint32 virtualSize;
    quint32 virtualAddress;
    quint32 rawSize;
    quint32 rawPointer;
};

quint16 u16(const QByteArray &bytes, qint64 at)
{
    return qFromLittleEndian<quint16>(bytes.constData() + at);
}

quint32 u32(const QByteArray &bytes, qint64 at)
{
    return qFromLittleEndian<quint32>(bytes.constData() + at);
}

void put16(QByteArray &bytes, qint64 at, quint16 value)
{
    qToLittleEndian(value, bytes.data() + at);
}

void put32(QByteArray &bytes, qint64 at, quint32 value)
{
    qToLittleEndian(value, bytes.data() + at);
}

quint32 alignUp(quint32 value, quint32 alignment)
{
    return alignment == 0 ? value : (value + alignment - 1) / alignment * alignment;
}

class Image
{
public:
    QByteArray bytes;
    QString error;
    int optionalHeader = 0;
    bool plus = false; // PE32+
    QList<Section> sections;

    bool parse()
    {
        if (bytes.size() < 64 || !bytes.startsWith("MZ"))
            return fail(QStringLiteral("no MZ header"));
        const quint32 pe = u32(bytes, 0x3C);
        if (pe > quint32(bytes.size()) - 24 || bytes.mid(pe, 4) != QByteArray("PE\0\0", 4))
            return fail(QStringLiteral("no PE header"));
        const int sectionCount = u16(bytes, pe + 6);
        const int optionalSize = u16(bytes, pe + 20);
        optionalHeader = int(pe) + 24;
        if (optionalHeader + optionalSize > bytes.size() || optionalSize < 96)
            return fail(QStringLiteral("short optional header"));
        const quint16 magic = u16(bytes, optionalHeader);
        if (magic != 0x10B && magic != 0x20B)
            return fail(QStringLiteral("unknown optional header"));
        plus = magic == 0x20B;
        if (directoryCount() <= 2 || directoryOffset(2) + 8 > optionalHeader + optionalSize)
            return fail(QStringLiteral("no resource directory entry"));
        const int table = optionalHeader + optionalSize;
        if (table + 40 * sectionCount > bytes.size())
            return fail(QStringLiteral("short section table"));
        for (int i = 0; i < sectionCount; ++i) {
            const int at = table + 40 * i;
            const Section section{at, u32(bytes, at + 8), u32(bytes, at + 12), u32(bytes, at + 16), u32(bytes, at + 20)};
            if (section.rawSize > 0 && qint64(section.rawPointer) + section.rawSize > bytes.size())
                return fail(QStringLiteral("section beyond the end of the file"));
            sections.append(section);
        }
        return true;
    }

    quint32 sectionAlignment() const { return u32(bytes, optionalHeader + 32); }
    quint32 fileAlignment() const { return u32(bytes, optionalHeader + 36); }
    int sizeOfImageOffset() const { return optionalHeader + 56; }
    quint32 sizeOfHeaders() const { return u32(bytes, optionalHeader + 60); }
    int checkSumOffset() const { return optionalHeader + 64; }
    quint32 directoryCount() const { return u32(bytes, optionalHeader + (plus ? 108 : 92)); }
    int directoryOffset(int index) const { return optionalHeader + (plus ? 112 : 96) + 8 * index; }
    int sectionCountOffset() const { return optionalHeader - 24 + 6; }

    // The file offset of an RVA range, or -1 when no section holds all of it.
    qint64 fileOffset(quint32 rva, quint32 length) const
    {
        for (const Section &section : sections) {
            if (rva >= section.virtualAddress && qint64(rva) + length <= qint64(section.virtualAddress) + section.rawSize)
                return qint64(section.rawPointer) + (rva - section.virtualAddress);
        }
        return -1;
    }

    bool fail(const QString &message)
    {
        error = message;
        return false;
    }
};

// Reads the three levels (type, name, language) of the resource tree below the directory at
// offset of the resource data rsrc (which starts at RVA base).
class TreeReader
{
public:
    TreeReader(const Image &image, const QByteArray &rsrc)
        : m_image(image)
        , m_rsrc(rsrc)
    {
    }

    bool read(Tree *tree)
    {
        QList<QPair<Key, quint32>> types;
        if (!entries(0, &types))
            return false;
        for (const auto &type : types) {
            QList<QPair<Key, quint32>> names;
            if (!(type.second & 0x80000000u) || !entries(type.second & 0x7FFFFFFFu, &names))
                return false;
            for (const auto &name : names) {
                QList<QPair<Key, quint32>> languages;
                if (!(name.second & 0x80000000u) || !entries(name.second & 0x7FFFFFFFu, &languages))
                    return false;
                for (const auto &language : languages) {
                    Leaf leaf;
                    if ((language.second & 0x80000000u) || !dataEntry(language.second, &leaf))
                        return false;
                    (*tree)[type.first][name.first][language.first] = leaf;
                }
            }
        }
        return true;
    }

private:
    bool entries(quint32 offset, QList<QPair<Key, quint32>> *list)
    {
        if (qint64(offset) + 16 > m_rsrc.size() || ++m_directories > 100000)
            return false;
        const int count = u16(m_rsrc, offset + 12) + u16(m_rsrc, offset + 14);
        if (qint64(offset) + 16 + 8 * qint64(count) > m_rsrc.size())
            return false;
        for (int i = 0; i < count; ++i) {
            const quint32 at = offset + 16 + 8 * i;
            const quint32 name = u32(m_rsrc, at);
            Key key;
            if (name & 0x80000000u) {
                const quint32 string = name & 0x7FFFFFFFu;
                if (qint64(string) + 2 > m_rsrc.size())
                    return false;
                const int length = u16(m_rsrc, string);
                if (qint64(string) + 2 + 2 * length > m_rsrc.size())
                    return false;
                key.isString = true;
                key.name = QString::fromUtf16(reinterpret_cast<const char16_t *>(m_rsrc.constData() + string + 2), length);
            } else {
                key.id = name;
            }
            list->append({key, u32(m_rsrc, at + 4)});
        }
        return true;
    }

    bool dataEntry(quint32 offset, Leaf *leaf)
    {
        if (qint64(offset) + 16 > m_rsrc.size())
            return false;
        const quint32 rva = u32(m_rsrc, offset);
        const quint32 size = u32(m_rsrc, offset + 4);
        const qint64 at = m_image.fileOffset(rva, size);
        if (at < 0)
            return false;
        leaf->data = m_image.bytes.mid(at, size);
        leaf->codePage = u32(m_rsrc, offset + 8);
        return true;
    }

    const Image &m_image;
    const QByteArray &m_rsrc;
    int m_directories = 0;
};

// Lays the tree out as a resource section placed at RVA base: the directories level by level,
// then the name strings, the data entries and the data, each datum on an 8-byte boundary.
QByteArray writeTree(const Tree &tree, quint32 base)
{
    auto directorySize = [](int entries) { return 16 + 8 * entries; };
    quint32 size = directorySize(tree.size());
    QMap<const Names *, quint32> nameDirs;
    QMap<const Languages *, quint32> languageDirs;
    for (const Names &names : tree) {
        nameDirs.insert(&names, size);
        size += directorySize(names.size());
    }
    int leaves = 0;
    for (const Names &names : tree) {
        for (const Languages &languages : names) {
            languageDirs.insert(&languages, size);
            size += directorySize(languages.size());
            leaves += languages.size();
        }
    }
    QMap<QString, quint32> strings;
    auto addString = [&](const Key &key) {
        if (key.isString && !strings.contains(key.name)) {
            strings.insert(key.name, size);
            size += 2 + 2 * key.name.size();
        }
    };
    for (auto type = tree.cbegin(); type != tree.cend(); ++type) {
        addString(type.key());
        for (auto name = type->cbegin(); name != type->cend(); ++name) {
            addString(name.key());
            for (auto language = name->cbegin(); language != name->cend(); ++language)
                addString(language.key());
        }
    }
    size = alignUp(size, 8);
    const quint32 dataEntries = size;
    size += 16 * leaves;

    QByteArray out(int(size), '\0');
    auto writeDirectory = [&](quint32 at, const auto &map, auto target) {
        int named = 0;
        for (auto it = map.cbegin(); it != map.cend(); ++it)
            named += it.key().isString ? 1 : 0;
        put16(out, at + 12, quint16(named));
        put16(out, at + 14, quint16(map.size() - named));
        quint32 entry = at + 16;
        for (auto it = map.cbegin(); it != map.cend(); ++it, entry += 8) {
            put32(out, entry, it.key().isString ? (0x80000000u | strings.value(it.key().name)) : it.key().id);
            put32(out, entry + 4, target(it));
        }
    };
    quint32 nextEntry = dataEntries;
    writeDirectory(0, tree, [&](Tree::const_iterator it) { return 0x80000000u | nameDirs.value(&it.value()); });
    for (const Names &names : tree) {
        writeDirectory(nameDirs.value(&names), names,
                       [&](Names::const_iterator it) { return 0x80000000u | languageDirs.value(&it.value()); });
    }
    for (const Names &names : tree) {
        for (const Languages &languages : names) {
            writeDirectory(languageDirs.value(&languages), languages, [&](Languages::const_iterator it) {
                const quint32 entry = nextEntry;
                nextEntry += 16;
                out = out.leftJustified(int(alignUp(quint32(out.size()), 8)), '\0');
                put32(out, entry, base + quint32(out.size()));
                put32(out, entry + 4, quint32(it->data.size()));
                put32(out, entry + 8, it->codePage);
                out += it->data;
                return entry;
            });
        }
    }
    for (auto it = strings.cbegin(); it != strings.cend(); ++it) {
        put16(out, it.value(), quint16(it.key().size()));
        for (int i = 0; i < it.key().size(); ++i)
            put16(out, it.value() + 2 + 2 * i, it.key().at(i).unicode());
    }
    return out;
}

// The PE checksum: 16-bit words added with carries folded in, the checksum field skipped,
// plus the file length.
quint32 peCheckSum(const QByteArray &bytes, int checkSumOffset)
{
    quint64 sum = 0;
    const int words = bytes.size() / 2;
    for (int i = 0; i < words; ++i) {
        if (i * 2 == checkSumOffset || i * 2 == checkSumOffset + 2)
            continue;
        sum += u16(bytes, i * 2);
        sum = (sum & 0xFFFF) + (sum >> 16);
    }
    if (bytes.size() % 2)
        sum += quint8(bytes.at(bytes.size() - 1));
    sum = (sum & 0xFFFF) + (sum >> 16);
    sum = (sum & 0xFFFF) + (sum >> 16);
    return quint32(sum) + quint32(bytes.size());
}

} // namespace

bool PeResources::update(const QString &file, quint16 type, quint16 language,
                         const QList<QPair<int, QByteArray>> &items, QString *error)
{
    auto fail = [error](const QString &message) {
        if (error)
            *error = message;
        return false;
    };

    QFile in(file);
    if (!in.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("cannot read the file"));
    Image image;
    image.bytes = in.readAll();
    in.close();
    if (!image.parse())
        return fail(image.error);

    const int resourceDirectory = image.directoryOffset(2);
    const quint32 oldRva = u32(image.bytes, resourceDirectory);
    const quint32 oldSize = u32(image.bytes, resourceDirectory + 4);
    Tree tree;
    if (oldRva != 0 && oldSize != 0) {
        const qint64 at = image.fileOffset(oldRva, oldSize);
        if (at < 0)
            return fail(QStringLiteral("resource directory outside the sections"));
        const QByteArray rsrc = image.bytes.mid(at, oldSize);
        if (!TreeReader(image, rsrc).read(&tree))
            return fail(QStringLiteral("damaged resource tree"));
    }
    for (const auto &item : items) {
        Key typeKey;
        typeKey.id = type;
        Key nameKey;
        nameKey.id = quint32(item.first);
        Key languageKey;
        languageKey.id = language;
        tree[typeKey][nameKey][languageKey] = Leaf{item.second, 0};
    }

    // The last section in the file; overlay data behind it (a signature, an appended payload)
    // is kept behind the new resource data.
    auto byRaw = [](const Section &a, const Section &b) { return a.rawPointer + a.rawSize < b.rawPointer + b.rawSize; };
    auto byVirtual = [](const Section &a, const Section &b) { return a.virtualAddress < b.virtualAddress; };
    if (image.sections.isEmpty())
        return fail(QStringLiteral("no sections"));
    const Section lastRaw = *std::max_element(image.sections.cbegin(), image.sections.cend(), byRaw);
    const Section lastVirtual = *std::max_element(image.sections.cbegin(), image.sections.cend(), byVirtual);
    const quint32 fileAlignment = image.fileAlignment();
    const quint32 sectionAlignment = image.sectionAlignment();
    if (fileAlignment == 0 || sectionAlignment == 0)
        return fail(QStringLiteral("no alignment"));

    const bool inPlace = oldRva != 0 && lastRaw.headerOffset == lastVirtual.headerOffset
        && lastVirtual.virtualAddress == oldRva;
    Section target{};
    if (inPlace) {
        target = lastVirtual;
    } else {
        const int table = image.sections.first().headerOffset;
        const int newEntry = table + 40 * image.sections.size();
        quint32 firstRaw = image.sizeOfHeaders();
        for (const Section &section : image.sections) {
            if (section.rawSize > 0)
                firstRaw = qMin(firstRaw, section.rawPointer);
        }
        if (quint32(newEntry + 40) > firstRaw)
            return fail(QStringLiteral("no room for another section header"));
        target.headerOffset = newEntry;
        target.virtualAddress = alignUp(lastVirtual.virtualAddress + qMax(lastVirtual.virtualSize, lastVirtual.rawSize),
                                        sectionAlignment);
        target.rawPointer = alignUp(lastRaw.rawPointer + lastRaw.rawSize, fileAlignment);
        QByteArray header(40, '\0');
        header.replace(0, 6, ".rsrc\0", 6);
        put32(header, 36, 0x40000040u); // initialised data, readable
        image.bytes.replace(newEntry, 40, header);
        put16(image.bytes, image.sectionCountOffset(), quint16(image.sections.size() + 1));
    }

    const QByteArray section = writeTree(tree, target.virtualAddress);
    const quint32 rawSize = alignUp(quint32(section.size()), fileAlignment);
    const quint32 overlayStart = lastRaw.rawPointer + lastRaw.rawSize;
    const QByteArray overlay = image.bytes.mid(int(overlayStart));
    QByteArray out = image.bytes.left(int(inPlace ? target.rawPointer : overlayStart));
    out = out.leftJustified(int(target.rawPointer), '\0');
    out += section;
    out = out.leftJustified(int(target.rawPointer + rawSize), '\0');
    out += overlay;

    // A COFF symbol table (unstripped builds) lies in the overlay and moves with it.
    const int symbolTable = image.optionalHeader - 24 + 12;
    const quint32 symbols = u32(out, symbolTable);
    if (symbols != 0 && symbols >= overlayStart)
        put32(out, symbolTable, symbols - overlayStart + target.rawPointer + rawSize);

    put32(out, target.headerOffset + 8, quint32(section.size()));
    put32(out, target.headerOffset + 12, target.virtualAddress);
    put32(out, target.headerOffset + 16, rawSize);
    put32(out, target.headerOffset + 20, target.rawPointer);
    put32(out, resourceDirectory, target.virtualAddress);
    put32(out, resourceDirectory + 4, quint32(section.size()));
    put32(out, image.sizeOfImageOffset(), alignUp(target.virtualAddress + quint32(section.size()), sectionAlignment));
    // A signature in the overlay no longer matches the file and its file offset has moved.
    if (image.directoryCount() > 4) {
        put32(out, image.directoryOffset(4), 0);
        put32(out, image.directoryOffset(4) + 4, 0);
    }
    if (u32(out, image.checkSumOffset()) != 0)
        put32(out, image.checkSumOffset(), peCheckSum(out, image.checkSumOffset()));

    const QFile::Permissions permissions = QFile::permissions(file);
    QSaveFile save(file);
    if (!save.open(QIODevice::WriteOnly) || save.write(out) != out.size() || !save.commit())
        return fail(QStringLiteral("cannot write the file"));
    QFile::setPermissions(file, permissions);
    return true;
}
