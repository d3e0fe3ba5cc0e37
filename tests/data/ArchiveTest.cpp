// The archive encoding byte by byte, its error causes, and hostile input.
#include "data/CArchive.h"
#include "data/CErrorText.h"
#include "data/CTagFile.h"
#include "data/CTagInfo.h"

#include <QBuffer>
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

namespace {

QByteArray Bytes(std::initializer_list<int> values)
{
    QByteArray out;
    for (int v : values)
        out.append(static_cast<char>(v));
    return out;
}

// What a storing archive writes.
QByteArray Stored(const std::function<void(CArchive&)>& write)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    CArchive archive(&buffer, CArchive::EMode::Store);
    write(archive);
    archive.Close();
    return bytes;
}

// A node with a value and a reference to another node, to build shared and cyclic graphs.
class CTestNode : public CSerializable
{
public:
    static const CArchiveClass& ClassInfo()
    {
        static const CArchiveClass info{"CTestNode", 3, false, nullptr, [] {
                                            return std::unique_ptr<CSerializable>(new CTestNode);
                                        }};
        return info;
    }
    const CArchiveClass& Class() const override { return ClassInfo(); }
    void Serialize(CArchive& archive) override
    {
        if (archive.IsStoring()) {
            archive.WriteWord(value);
            archive.WriteObject(next);
        } else {
            value = archive.ReadWord();
            next = static_cast<CTestNode*>(archive.ReadObject(&ClassInfo()));
        }
    }
    std::uint16_t value = 0;
    CTestNode* next = nullptr;
};

// Accepts any stored schema and keeps it.
class CVersioned : public CSerializable
{
public:
    static const CArchiveClass& ClassInfo()
    {
        static const CArchiveClass info{"CVersioned", 2, true, nullptr, [] {
                                            return std::unique_ptr<CSerializable>(new CVersioned);
                                        }};
        return info;
    }
    const CArchiveClass& Class() const override { return ClassInfo(); }
    void Serialize(CArchive& archive) override
    {
        if (archive.IsLoading())
            schemaSeen = archive.LoadSchema();
    }
    std::uint16_t schemaSeen = 0;
};

class CNotSerializable : public CSerializable
{
public:
    const CArchiveClass& Class() const override
    {
        static const CArchiveClass info{"CNotSerializable", CArchiveClass::kNoSchema, false,
                                        nullptr, nullptr};
        return info;
    }
    void Serialize(CArchive&) override {}
};

const CArchiveClassTable& TestClasses()
{
    static const CArchiveClassTable table{&CTestNode::ClassInfo(), &CVersioned::ClassInfo(),
                                          &CTagInfo::ClassInfo(), &CTextObject::ClassInfo(),
                                          &CErrorText::ClassInfo()};
    return table;
}

// Runs `read` on a loading archive over `bytes`; returns the cause it threw, or nullopt.
std::optional<EArchiveError> LoadError(const QByteArray& bytes,
                                       const std::function<void(CArchive&)>& read)
{
    QByteArray copy = bytes;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    CArchive archive(&buffer, CArchive::EMode::Load, &TestClasses());
    try {
        read(archive);
    } catch (const CArchiveException& error) {
        return error.Cause();
    }
    return std::nullopt;
}

QByteArray LoadText(const QByteArray& bytes)
{
    QByteArray result;
    const auto error = LoadError(bytes, [&](CArchive& a) { result = a.ReadString(); });
    EXPECT_FALSE(error.has_value());
    return result;
}

TEST(Archive, FixedWidthValuesAreLittleEndianWithoutPadding)
{
    const QByteArray bytes = Stored([](CArchive& a) {
        a.WriteByte(0xAB);
        a.WriteWord(0x1234);
        a.WriteDWord(0x89ABCDEF);
        a.WriteInt32(-2);
        a.WriteQWord(0x0102030405060708ull);
    });
    EXPECT_EQ(bytes, Bytes({0xAB, 0x34, 0x12, 0xEF, 0xCD, 0xAB, 0x89, 0xFE, 0xFF, 0xFF, 0xFF, 0x08,
                            0x07, 0x06, 0x05, 0x04, 0x03, 0x02, 0x01}));
    LoadError(bytes, [](CArchive& a) {
        EXPECT_EQ(a.ReadByte(), 0xAB);
        EXPECT_EQ(a.ReadWord(), 0x1234);
        EXPECT_EQ(a.ReadDWord(), 0x89ABCDEFu);
        EXPECT_EQ(a.ReadInt32(), -2);
        EXPECT_EQ(a.ReadQWord(), 0x0102030405060708ull);
    });
}

TEST(Archive, StringLengthPrefixes)
{
    struct SCase
    {
        qsizetype length;
        QByteArray prefix;
    };
    const SCase cases[] = {
        {0, Bytes({0x00})},
        {254, Bytes({0xFE})},
        {255, Bytes({0xFF, 0xFF, 0x00})},
        {0xFFFD, Bytes({0xFF, 0xFD, 0xFF})},
        {0xFFFE, Bytes({0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0x00, 0x00})},
        {0x12345, Bytes({0xFF, 0xFF, 0xFF, 0x45, 0x23, 0x01, 0x00})},
    };
    for (const SCase& c : cases) {
        const QByteArray text(c.length, 'x');
        const QByteArray bytes = Stored([&](CArchive& a) { a.WriteString(text); });
        EXPECT_EQ(bytes.left(c.prefix.size()), c.prefix) << c.length;
        EXPECT_EQ(bytes.size(), c.prefix.size() + c.length) << c.length;
        EXPECT_EQ(LoadText(bytes), text) << c.length;
    }
}

TEST(Archive, LongerLengthFormsLoad)
{
    // A dword length and the 8-byte form (FFFF FFFFFFFF then a qword) both load.
    EXPECT_EQ(LoadText(Bytes({0xFF, 0xFF, 0xFF, 0x02, 0, 0, 0, 'h', 'i'})), "hi");
    EXPECT_EQ(LoadText(Bytes({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 3, 0, 0, 0, 0, 0, 0, 0, 'a',
                              'b', 'c'})),
              "abc");
}

TEST(Archive, SixteenBitStringLoadsAsCodePageText)
{
    // FF FE FF marks UTF-16; then the ordinary length rules: 3 characters "a°€".
    const QByteArray wide = Bytes({0xFF, 0xFE, 0xFF, 0x03, 'a', 0x00, 0xB0, 0x00, 0xAC, 0x20});
    EXPECT_EQ(LoadText(wide), Bytes({'a', 0xB0, 0x80}));
    // A character outside Windows-1252 becomes '?'.
    EXPECT_EQ(LoadText(Bytes({0xFF, 0xFE, 0xFF, 0x01, 0x3A, 0x04})), "?");
    // A wide length in the word form: FF FE FF, then FF and word 2.
    EXPECT_EQ(LoadText(Bytes({0xFF, 0xFE, 0xFF, 0xFF, 0x02, 0x00, 'o', 0, 'k', 0})), "ok");
    // Cut short: two characters announced, one present.
    EXPECT_EQ(
        LoadError(Bytes({0xFF, 0xFE, 0xFF, 0x02, 'a', 0x00}), [](CArchive& a) { a.ReadString(); }),
        EArchiveError::EndOfFile);
}

TEST(Archive, Counts)
{
    EXPECT_EQ(Stored([](CArchive& a) { a.WriteCount(0); }), Bytes({0x00, 0x00}));
    EXPECT_EQ(Stored([](CArchive& a) { a.WriteCount(0xFFFE); }), Bytes({0xFE, 0xFF}));
    EXPECT_EQ(Stored([](CArchive& a) { a.WriteCount(0xFFFF); }),
              Bytes({0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00}));
    EXPECT_EQ(Stored([](CArchive& a) { a.WriteCount(0x10000); }),
              Bytes({0xFF, 0xFF, 0x00, 0x00, 0x01, 0x00}));
    LoadError(Bytes({0xFF, 0xFF, 0x00, 0x00, 0x01, 0x00, 0x05, 0x00}), [](CArchive& a) {
        EXPECT_EQ(a.ReadCount(), 0x10000u);
        EXPECT_EQ(a.ReadCount(), 5u);
    });
}

TEST(Archive, ClassAndObjectIndicesAreSharedAndReused)
{
    CTestNode a, b;
    a.value = 0x11;
    b.value = 0x22;
    a.next = &b;
    b.next = &a; // a cycle: b's reference to a is a back-reference
    const QByteArray bytes = Stored([&](CArchive& ar) {
        ar.WriteObject(&a);
        ar.WriteObject(&b);
        ar.WriteObject(nullptr);
    });
    const QByteArray expected = Bytes({0xFF, 0xFF, 0x03, 0x00, 0x09, 0x00}) +
                                "CTestNode" +        // class: index 1
                                Bytes({0x11, 0x00,   // a (index 2)
                                       0x01, 0x80,   // b: class word 0x8001
                                       0x22, 0x00,   // b (index 3)
                                       0x02, 0x00,   // b.next = a
                                       0x03, 0x00,   // second write of b
                                       0x00, 0x00}); // null
    EXPECT_EQ(bytes, expected);

    LoadError(bytes, [](CArchive& ar) {
        auto* first = static_cast<CTestNode*>(ar.ReadObject(&CTestNode::ClassInfo()));
        auto* second = static_cast<CTestNode*>(ar.ReadObject());
        ASSERT_TRUE(first && second);
        EXPECT_EQ(first->value, 0x11);
        EXPECT_EQ(first->next, second);
        EXPECT_EQ(second->next, first); // the same object, not a copy
        EXPECT_EQ(ar.ReadObject(), nullptr);
    });
}

TEST(Archive, LargeIndicesUseTheDwordForm)
{
    // 0x7FFF objects fill indices 2..0x8000 after the class; the class reference of the next
    // is still small, but a back-reference to index 0x7FFF needs 7FFF + dword.
    std::vector<std::unique_ptr<CTestNode>> nodes;
    for (int i = 0; i < 0x7FFF; ++i)
        nodes.push_back(std::make_unique<CTestNode>());
    const QByteArray bytes = Stored([&](CArchive& ar) {
        for (auto& node : nodes)
            ar.WriteObject(node.get());
        ar.WriteObject(nodes[0x7FFD].get()); // index 0x7FFF
    });
    EXPECT_EQ(bytes.right(6), Bytes({0xFF, 0x7F, 0xFF, 0x7F, 0x00, 0x00}));
    LoadError(bytes, [](CArchive& ar) {
        CSerializable* wanted = nullptr;
        for (int i = 0; i < 0x7FFF; ++i) {
            CSerializable* object = ar.ReadObject();
            if (i == 0x7FFD)
                wanted = object;
        }
        EXPECT_EQ(ar.ReadObject(), wanted);
    });
    // A class index in the dword form: 7FFF then 80000001.
    const QByteArray classRef = Bytes({0xFF, 0xFF, 0x03, 0x00, 0x09, 0x00}) + "CTestNode" +
                                Bytes({0, 0, 0, 0, 0xFF, 0x7F, 0x01, 0, 0, 0x80, 7, 0, 0, 0});
    LoadError(classRef, [](CArchive& ar) {
        ar.ReadObject();
        auto* node = static_cast<CTestNode*>(ar.ReadObject());
        ASSERT_NE(node, nullptr);
        EXPECT_EQ(node->value, 7);
    });
}

TEST(Archive, EmptyListIsOneZeroWord)
{
    CTagFile::TextList none;
    EXPECT_EQ(Stored([&](CArchive& a) { a.WriteObjectList(none); }), Bytes({0x00, 0x00}));
}

TEST(Archive, VersionableClassAcceptsAnySchema)
{
    const QByteArray bytes = Bytes({0xFF, 0xFF, 0x09, 0x00, 0x0A, 0x00}) + "CVersioned";
    LoadError(bytes, [](CArchive& ar) {
        auto* object = static_cast<CVersioned*>(ar.ReadObject(&CVersioned::ClassInfo()));
        ASSERT_NE(object, nullptr);
        EXPECT_EQ(object->schemaSeen, 9);
    });
}

TEST(Archive, EveryCauseIsReported)
{
    const auto node = [](int schema) {
        return Bytes({0xFF, 0xFF, schema, 0x00, 0x09, 0x00}) + "CTestNode";
    };
    // Store on a loading archive, load on a storing one.
    EXPECT_EQ(LoadError({}, [](CArchive& a) { a.WriteWord(1); }), EArchiveError::ReadOnly);
    QByteArray sink;
    QBuffer out(&sink);
    out.open(QIODevice::WriteOnly);
    CArchive storing(&out, CArchive::EMode::Store);
    try {
        storing.ReadWord();
        ADD_FAILURE() << "load on a storing archive";
    } catch (const CArchiveException& e) {
        EXPECT_EQ(e.Cause(), EArchiveError::WriteOnly);
    }
    // End of file inside a value, a string and a class record's schema word (a cut inside
    // the class name is a bad class, below).
    EXPECT_EQ(LoadError(Bytes({1}), [](CArchive& a) { a.ReadWord(); }), EArchiveError::EndOfFile);
    EXPECT_EQ(LoadError(Bytes({5, 'a', 'b'}), [](CArchive& a) { a.ReadString(); }),
              EArchiveError::EndOfFile);
    EXPECT_EQ(LoadError(node(3).left(3), [](CArchive& a) { a.ReadObject(); }),
              EArchiveError::EndOfFile);
    // Generic: lengths above 0x7FFFFFFF in the dword and qword forms.
    EXPECT_EQ(LoadError(Bytes({0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x80}),
                        [](CArchive& a) { a.ReadString(); }),
              EArchiveError::Generic);
    EXPECT_EQ(
        LoadError(Bytes({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0x80, 0, 0, 0, 0}),
                  [](CArchive& a) { a.ReadString(); }),
        EArchiveError::Generic);
    // Bad index: an object index never entered, class index 0, a class index beyond the table,
    // an object index where a class belongs and a class index where an object belongs.
    EXPECT_EQ(LoadError(Bytes({0x01, 0x00}), [](CArchive& a) { a.ReadObject(); }),
              EArchiveError::BadIndex);
    EXPECT_EQ(LoadError(Bytes({0x00, 0x80}), [](CArchive& a) { a.ReadObject(); }),
              EArchiveError::BadIndex);
    EXPECT_EQ(LoadError(node(3) + Bytes({0, 0, 0, 0, 0x05, 0x80}),
                        [](CArchive& a) {
                            a.ReadObject();
                            a.ReadObject();
                        }),
              EArchiveError::BadIndex);
    EXPECT_EQ(LoadError(node(3) + Bytes({0, 0, 0, 0, 0x02, 0x80}),
                        [](CArchive& a) {
                            a.ReadObject();
                            a.ReadObject();
                        }),
              EArchiveError::BadIndex);
    EXPECT_EQ(LoadError(node(3) + Bytes({0, 0, 0, 0, 0x01, 0x00}),
                        [](CArchive& a) {
                            a.ReadObject();
                            a.ReadObject();
                        }),
              EArchiveError::BadIndex);
    // Bad class: unknown name, a name of 64 bytes, a name cut short, the wrong class for the
    // caller.
    EXPECT_EQ(LoadError(Bytes({0xFF, 0xFF, 0x00, 0x02, 0x05, 0x00}) + "CFoo1",
                        [](CArchive& a) { a.ReadObject(); }),
              EArchiveError::BadClass);
    EXPECT_EQ(LoadError(Bytes({0xFF, 0xFF, 0x00, 0x02, 64, 0x00}) + QByteArray(64, 'C'),
                        [](CArchive& a) { a.ReadObject(); }),
              EArchiveError::BadClass);
    // A name cut short by the end of the file names no class either.
    EXPECT_EQ(LoadError(Bytes({0xFF, 0xFF, 0x00, 0x02, 0x08, 0x00}) + "CTagIn",
                        [](CArchive& a) { a.ReadObject(); }),
              EArchiveError::BadClass);
    EXPECT_EQ(LoadError(node(3) + Bytes({0, 0, 0, 0}),
                        [](CArchive& a) { a.ReadObject(&CTagInfo::ClassInfo()); }),
              EArchiveError::BadClass);
    // A back-reference of the wrong class is refused as well.
    EXPECT_EQ(LoadError(node(3) + Bytes({0, 0, 0, 0, 0x02, 0x00}),
                        [](CArchive& a) {
                            a.ReadObject();
                            a.ReadObject(&CTagInfo::ClassInfo());
                        }),
              EArchiveError::BadClass);
    // Bad schema.
    EXPECT_EQ(LoadError(node(4), [](CArchive& a) { a.ReadObject(); }), EArchiveError::BadSchema);
    // Storing a class without a schema.
    CNotSerializable plain;
    try {
        Stored([&](CArchive& a) { a.WriteObject(&plain); });
        ADD_FAILURE() << "stored a class without a schema";
    } catch (const CArchiveException& e) {
        EXPECT_EQ(e.Cause(), EArchiveError::NotSupported);
    }
}

TEST(Archive, OwnedListsRefuseNullAndSharedElements)
{
    const QByteArray text = Bytes({0xFF, 0xFF, 0x00, 0x02, 0x0A, 0x00}) + "CErrorText" +
                            Bytes({1, 0, 0, 0, 0, 0, 0, 0});
    // Count 2: a new record, then a back-reference to it.
    EXPECT_EQ(LoadError(Bytes({2, 0}) + text + Bytes({0x02, 0x00}),
                        [](CArchive& a) {
                            CTagFile::TextList list;
                            a.ReadObjectList(list);
                        }),
              EArchiveError::Generic);
    EXPECT_EQ(LoadError(Bytes({1, 0, 0, 0}),
                        [](CArchive& a) {
                            CTagFile::TextList list;
                            a.ReadObjectList(list);
                        }),
              EArchiveError::Generic);
    // A derived class is taken by a list of its base.
    EXPECT_FALSE(LoadError(Bytes({1, 0}) + text, [](CArchive& a) {
        CTagFile::TextList list;
        a.ReadObjectList(list);
        ASSERT_EQ(list.size(), 1u);
        EXPECT_EQ(&list[0]->Class(), &CErrorText::ClassInfo());
    }));
}

// A device that does not know its size, like a pipe: the archive cannot check a length
// against the bytes left and must grow its string as data arrives.
class CPipe : public QIODevice
{
public:
    explicit CPipe(QByteArray bytes) : m_bytes(std::move(bytes)) { open(QIODevice::ReadOnly); }
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char* data, qint64 size) override
    {
        const qint64 step = std::min<qint64>(size, m_bytes.size() - m_at);
        std::memcpy(data, m_bytes.constData() + m_at, static_cast<size_t>(step));
        m_at += step;
        return step;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    QByteArray m_bytes;
    qint64 m_at = 0;
};

TEST(Archive, HostileLengthsFailWithoutAllocatingTheClaim)
{
    const QByteArray hugeString = Bytes({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 'a'});
    const QByteArray hugeWide = Bytes({0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0xFF, 0x7F});
    EXPECT_EQ(LoadError(hugeString, [](CArchive& a) { a.ReadString(); }), EArchiveError::EndOfFile);
    EXPECT_EQ(LoadError(hugeWide, [](CArchive& a) { a.ReadString(); }), EArchiveError::EndOfFile);
    for (const QByteArray& claim : {hugeString, hugeWide}) {
        CPipe pipe(claim);
        CArchive archive(&pipe, CArchive::EMode::Load);
        try {
            archive.ReadString();
            ADD_FAILURE() << "a 2 GB string loaded from a few bytes";
        } catch (const CArchiveException& e) {
            EXPECT_EQ(e.Cause(), EArchiveError::EndOfFile);
        }
    }
    // A list of four billion elements in six bytes ends at the end of the file.
    EXPECT_EQ(LoadError(Bytes({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}),
                        [](CArchive& a) {
                            CTagFile::TextList list;
                            a.ReadObjectList(list);
                        }),
              EArchiveError::EndOfFile);
}

TEST(Archive, BufferCarriesValuesAcrossItsBoundary)
{
    // Strings that straddle the 4096-byte buffer, and more than one buffer in total.
    const QByteArray a(4093, 'a');
    const QByteArray b(5000, 'b');
    const QByteArray bytes = Stored([&](CArchive& ar) {
        ar.WriteString(a);
        ar.WriteDWord(0xDEADBEEF);
        ar.WriteString(b);
    });
    EXPECT_EQ(bytes.size(), 3 + 4093 + 4 + 3 + 5000);
    EXPECT_FALSE(LoadError(bytes, [&](CArchive& ar) {
        EXPECT_EQ(ar.ReadString(), a);
        EXPECT_EQ(ar.ReadDWord(), 0xDEADBEEFu);
        EXPECT_EQ(ar.ReadString(), b);
    }));
}

TEST(Archive, StoreWritesNothingUntilClosed)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    {
        CArchive archive(&buffer, CArchive::EMode::Store);
        archive.WriteWord(1);
        EXPECT_TRUE(bytes.isEmpty());
        // Abandoned without Close(): nothing reaches the device.
    }
    EXPECT_TRUE(bytes.isEmpty());
}

} // namespace
