#include "assets/util/plyfile/plyfile.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "ExactMessage.h"
#include "Fifo.h"
#include "TempFile.h"

namespace {

std::string writeFile(const std::string& contents, const std::string& name = "")
{
    return testsupport::writeTempFile(contents, ".ply", name);
}

PlyReader* openText(const std::string& contents)
{
    return ply_open_read(writeFile(contents).c_str(), nullptr, nullptr, nullptr, nullptr);
}

template <class T>
std::string bytes(T value)
{
    return std::string(reinterpret_cast<const char*>(&value), sizeof value);
}

template <class T>
T readAt(const unsigned char* record, int offset)
{
    T value;
    std::memcpy(&value, record + offset, sizeof value);
    return value;
}

const char* const typicalHeader =
    "ply\n"
    "format ascii 1.0\n"
    "comment   made by hand\n"
    "comment\t\tsecond  \n"
    "obj_info a test\n"
    "something else entirely\n"
    "\n"
    "element vertex 2\n"
    "property float x\n"
    "property \t uchar   red\n"
    "element face 1\n"
    "property list uchar int vertex_indices\n"
    "property mystery m\n"
    "end_header\n";

TEST(PlyFile, HeaderDeclaresElementsPropertiesAndTexts)
{
    int numElements = 0, fileType = 0;
    char** names = nullptr;
    float version = 0;
    PlyReader* r =
        ply_open_read(writeFile(typicalHeader).c_str(), &numElements, &names, &fileType, &version);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(numElements, 2);
    EXPECT_STREQ(names[0], "vertex");
    EXPECT_STREQ(names[1], "face");
    EXPECT_EQ(fileType, PLY_ASCII);
    EXPECT_EQ(version, 1.0f);

    ASSERT_EQ(r->numElements, 2);
    const PlyElementDecl* vertex = r->elements[0];
    EXPECT_EQ(vertex->count, 2);
    ASSERT_EQ(vertex->numProperties, 2);
    EXPECT_STREQ(vertex->properties[0]->name, "x");
    EXPECT_EQ(vertex->properties[0]->externalType, PLY_FLOAT);
    EXPECT_EQ(vertex->properties[0]->isList, 0);
    EXPECT_STREQ(vertex->properties[1]->name, "red");  // tabs and runs of spaces part words alike
    EXPECT_EQ(vertex->properties[1]->externalType, PLY_UCHAR);
    const PlyElementDecl* face = r->elements[1];
    ASSERT_EQ(face->numProperties, 2);
    EXPECT_EQ(face->properties[0]->isList, 1);
    EXPECT_EQ(face->properties[0]->countExternalType, PLY_UCHAR);
    EXPECT_EQ(face->properties[0]->externalType, PLY_INT);
    EXPECT_EQ(face->properties[1]->externalType, PLY_INVALID);  // an unknown type name
    for (const PlyElementDecl* e : {vertex, face})
        for (int j = 0; j < e->numProperties; ++j) EXPECT_EQ(e->storeFlags[j], 0);

    ASSERT_EQ(r->numComments, 2);
    EXPECT_STREQ(r->comments[0], "made by hand");
    EXPECT_STREQ(r->comments[1], "second  ");
    ASSERT_EQ(r->numObjInfo, 1);
    EXPECT_STREQ(r->objInfo[0], "a test");

    int count = 0, numProperties = 0;
    PlyPropertyDecl** described = ply_describe_element(r, "face", &count, &numProperties);
    ASSERT_NE(described, nullptr);
    EXPECT_EQ(count, 1);
    EXPECT_EQ(numProperties, 2);
    EXPECT_STREQ(described[0]->name, "vertex_indices");
    EXPECT_NE(described[0]->name, face->properties[0]->name);  // a copy
    ply_free_properties(described, numProperties);
    EXPECT_EQ(ply_describe_element(r, "edge", &count, &numProperties), nullptr);

    ply_free_names(names, numElements);
    ply_close(r);
}

// Files written on Windows end their lines in CR LF; they read as the same file.
TEST(PlyFile, CarriageReturnsReadAsSpaces)
{
    std::string crlf;
    for (const char* c = typicalHeader; *c; ++c) crlf += *c == '\n' ? std::string("\r\n") : std::string(1, *c);
    crlf += "1.5 7\r\n-2\t3\r\n";
    PlyReader* r = openText(crlf);
    ASSERT_NE(r, nullptr);
    ASSERT_EQ(r->numComments, 2);
    EXPECT_STREQ(r->comments[0], "made by hand");
    EXPECT_STREQ(r->comments[1], "second  ");
    EXPECT_STREQ(r->objInfo[0], "a test");
    ASSERT_EQ(r->numElements, 2);
    EXPECT_STREQ(r->elements[1]->properties[0]->name, "vertex_indices");

    const PlyPropertyDecl x = ply_scalar_request("x", PLY_FLOAT, 0), red = ply_scalar_request("red", PLY_INT, 4);
    ply_request_property(r, "vertex", &x);
    ply_request_property(r, "vertex", &red);
    unsigned char record[8];
    ply_get_element(r, record);
    EXPECT_EQ(readAt<float>(record, 0), 1.5f);
    EXPECT_EQ(readAt<int>(record, 4), 7);
    ply_get_element(r, record);
    EXPECT_EQ(readAt<float>(record, 0), -2.0f);
    EXPECT_EQ(readAt<int>(record, 4), 3);
    ply_close(r);
}

TEST(PlyFile, SuffixIsAppendedUnlessTheNameEndsInIt)
{
    auto stem = [](const std::string& path) { return path.substr(0, path.size() - 4); };
    const std::string plain = stem(writeFile("ply\nformat ascii 1.0\nelement plain 1\n", "suffix_plain.ply"));
    const std::string upper = stem(writeFile("ply\nformat ascii 1.0\nelement upper 1\n", "suffix_upper.PLY.ply"));
    struct Case {
        std::string name;
        const char* element;  // null: nothing opened
    };
    const Case cases[] = {
        {plain, "plain"},  {plain + ".ply", "plain"},
        {upper, "upper"},  // "...PLY": the test is case-sensitive
        {plain + "_missing", nullptr},
    };
    for (const Case& c : cases) {
        int numElements = 0;
        char** names = nullptr;
        PlyReader* r = ply_open_read(c.name.c_str(), &numElements, &names, nullptr, nullptr);
        if (!c.element) {
            EXPECT_EQ(r, nullptr) << c.name;
            continue;
        }
        ASSERT_NE(r, nullptr) << c.name;
        ASSERT_EQ(numElements, 1);
        EXPECT_STREQ(names[0], c.element);
        ply_free_names(names, numElements);
        ply_close(r);
    }
}

// A name shorter than the suffix gets it too.
TEST(PlyFile, ShortNamesGetTheSuffix)
{
    const std::string dir = ::testing::TempDir() + "marrowfield_" + std::to_string(getpid()) + "_short";
    ASSERT_TRUE(mkdir(dir.c_str(), 0700) == 0 || errno == EEXIST);
    std::ofstream(dir + "/t.ply") << "ply\nformat ascii 1.0\nelement tiny 1\n";
    char previous[4096];
    ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
    ASSERT_EQ(chdir(dir.c_str()), 0);
    int numElements = 0;
    char** names = nullptr;
    PlyReader* r = ply_open_read("t", &numElements, &names, nullptr, nullptr);
    EXPECT_EQ(chdir(previous), 0);
    std::remove((dir + "/t.ply").c_str());
    rmdir(dir.c_str());
    ASSERT_NE(r, nullptr);
    EXPECT_STREQ(names[0], "tiny");
    ply_free_names(names, numElements);
    ply_close(r);
}

TEST(PlyFile, HeadersThatAreNotPlyGiveNoReader)
{
    const char* const refused[] = {
        "",
        "\n",
        "plyx\nformat ascii 1.0\nend_header\n",
        "format ascii 1.0\nply\nend_header\n",
        "ply\nformat ascii 1.0 extra\nelement v 1\nend_header\n",
        "ply\nformat ascii\nend_header\n",
        "ply\nformat binary_middle_endian 1.0\nend_header\n",
    };
    ::testing::internal::CaptureStderr();
    for (const char* text : refused) EXPECT_EQ(openText(text), nullptr) << text;
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");  // silently
}

TEST(PlyFile, HeaderWithoutEndEndsWithTheFile)
{
    PlyReader* r = openText("ply\nformat binary_little_endian 1.0\nelement v 3\nproperty int a");
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->fileType, PLY_BINARY_LE);
    ASSERT_EQ(r->numElements, 1);
    EXPECT_EQ(r->elements[0]->numProperties, 1);
    ply_close(r);
}

// One property per row, declared with the file's type and stored with the
// caller's, read from ascii words and from binary values.
struct Conversion {
    const char* fileType;
    const char* word;
    std::string binary;
    int storedType;
    double expected;
};

std::vector<Conversion> conversions()
{
    return {
        {"float", "2.7", bytes(2.7f), PLY_INT, 2},
        {"float", "-2.7", bytes(-2.7f), PLY_INT, -2},
        {"double", "-2147483648.9", bytes(-2147483648.9), PLY_INT, -2147483648.0},
        {"uint", "4294967295", bytes(4294967295u), PLY_UINT, 4294967295.0},
        {"uint", "4294967295", bytes(4294967295u), PLY_INT, -1},
        {"float", "300.5", bytes(300.5f), PLY_UCHAR, 44},         // 300 in 8 bits
        {"double", "-1.5", bytes(-1.5), PLY_UINT, 4294967295.0},  // -1 through 64 bits
        {"int", "200", bytes(200), PLY_CHAR, -56},
        {"int", "-1", bytes(-1), PLY_USHORT, 65535},
        {"int", "70000", bytes(70000), PLY_SHORT, 4464},
        {"char", "-5", bytes(std::int8_t(-5)), PLY_INT, -5},
        {"uchar", "255", bytes(std::uint8_t(255)), PLY_FLOAT, 255},
        {"short", "-300", bytes(std::int16_t(-300)), PLY_DOUBLE, -300},
        {"ushort", "65535", bytes(std::uint16_t(65535)), PLY_INT, 65535},
        {"double", "0.1", bytes(0.1), PLY_FLOAT, double(0.1f)},
        {"float", "1e30", bytes(1e30f), PLY_FLOAT, double(1e30f)},  // as float it is in range
    };
}

double storedValue(const unsigned char* record, int offset, int type)
{
    switch (type) {
    case PLY_CHAR: return readAt<std::int8_t>(record, offset);
    case PLY_SHORT: return readAt<std::int16_t>(record, offset);
    case PLY_INT: return readAt<std::int32_t>(record, offset);
    case PLY_UCHAR: return readAt<std::uint8_t>(record, offset);
    case PLY_USHORT: return readAt<std::uint16_t>(record, offset);
    case PLY_UINT: return readAt<std::uint32_t>(record, offset);
    case PLY_FLOAT: return readAt<float>(record, offset);
    default: return readAt<double>(record, offset);
    }
}

TEST(PlyFile, ValuesAreConvertedToTheStoredType)
{
    const std::vector<Conversion> table = conversions();
    std::string header, words, data;
    for (std::size_t i = 0; i < table.size(); ++i) {
        header += std::string("property ") + table[i].fileType + " p" + std::to_string(i) + "\n";
        words += std::string(table[i].word) + " ";
        data += table[i].binary;
    }
    const std::string ascii = "ply\nformat ascii 1.0\nelement e 1\n" + header + "end_header\n" + words + "\n";
    const std::string binary = "ply\nformat binary_little_endian 1.0\nelement e 1\n" + header + "end_header\n" + data;
    for (const std::string& file : {ascii, binary}) {
        PlyReader* r = openText(file);
        ASSERT_NE(r, nullptr);
        std::vector<std::string> names;
        for (std::size_t i = 0; i < table.size(); ++i) names.push_back("p" + std::to_string(i));
        for (std::size_t i = 0; i < table.size(); ++i) {
            const PlyPropertyDecl req = ply_scalar_request(names[i].c_str(), table[i].storedType, int(8 * i) + 1);
            ply_request_property(r, "e", &req);
        }
        std::vector<unsigned char> record(8 * table.size() + 8, 0);
        ply_get_element(r, record.data());  // odd offsets: nothing needs to be aligned
        for (std::size_t i = 0; i < table.size(); ++i)
            EXPECT_EQ(storedValue(record.data(), int(8 * i) + 1, table[i].storedType), table[i].expected)
                << (r->fileType == PLY_ASCII ? "ascii " : "binary ") << table[i].fileType << " " << table[i].word;
        ply_close(r);
    }
}

// The same values stored big endian, each value's bytes the other way round,
// read as the little-endian file reads them.
TEST(PlyFile, BigEndianValuesReadAsTheirLittleEndianTwins)
{
    const std::vector<Conversion> table = conversions();
    std::string header, data;
    for (std::size_t i = 0; i < table.size(); ++i) {
        header += std::string("property ") + table[i].fileType + " p" + std::to_string(i) + "\n";
        data += std::string(table[i].binary.rbegin(), table[i].binary.rend());
    }
    // A list too: its count and its items are values like the others.
    header += "property list ushort short l\n";
    data += std::string("\0\2\x12\x34\xFF\xFE", 6);
    PlyReader* r = openText("ply\nformat binary_big_endian 1.0\nelement e 1\n" + header + "end_header\n" + data);
    ASSERT_NE(r, nullptr);
    std::vector<std::string> names;
    for (std::size_t i = 0; i < table.size(); ++i) names.push_back("p" + std::to_string(i));
    for (std::size_t i = 0; i < table.size(); ++i) {
        const PlyPropertyDecl req = ply_scalar_request(names[i].c_str(), table[i].storedType, int(8 * i));
        ply_request_property(r, "e", &req);
    }
    const int listAt = int(8 * table.size());
    const PlyPropertyDecl list = ply_list_request("l", PLY_INT, listAt, PLY_INT, listAt + 8);
    ply_request_property(r, "e", &list);
    alignas(8) unsigned char record[8 * 32] = {};
    ply_get_element(r, record);
    for (std::size_t i = 0; i < table.size(); ++i)
        EXPECT_EQ(storedValue(record, int(8 * i), table[i].storedType), table[i].expected)
            << table[i].fileType << " " << table[i].word;
    ASSERT_EQ(readAt<int>(record, listAt + 8), 2);
    int* items = readAt<int*>(record, listAt);
    EXPECT_EQ(items[0], 0x1234);
    EXPECT_EQ(items[1], -2);
    std::free(items);
    ply_close(r);
}

struct ListRecord {
    unsigned char count;
    int* items;
    short after;
};

TEST(PlyFile, ListsStoreTheirCountAndANewBlockOrNull)
{
    const std::string header = "element f 3\nproperty list uchar int idx\nproperty short after\nend_header\n";
    const std::string ascii = "ply\nformat ascii 1.0\n" + header + "2 5 6 -1\n0 -2\n3 7 8 9 -3\n";
    std::string binary = "ply\nformat binary_little_endian 1.0\n" + header;
    binary += bytes(std::uint8_t(2)) + bytes(5) + bytes(6) + bytes(std::int16_t(-1));
    binary += bytes(std::uint8_t(0)) + bytes(std::int16_t(-2));
    binary += bytes(std::uint8_t(3)) + bytes(7) + bytes(8) + bytes(9) + bytes(std::int16_t(-3));
    for (const std::string& file : {ascii, binary}) {
        PlyReader* r = openText(file);
        ASSERT_NE(r, nullptr);
        const PlyPropertyDecl list =
            ply_list_request("idx", PLY_INT, offsetof(ListRecord, items), PLY_UCHAR, offsetof(ListRecord, count));
        const PlyPropertyDecl after = ply_scalar_request("after", PLY_SHORT, offsetof(ListRecord, after));
        ply_request_property(r, "f", &list);
        ply_request_property(r, "f", &after);
        const std::vector<std::vector<int>> expected = {{5, 6}, {}, {7, 8, 9}};
        for (int k = 0; k < 3; ++k) {
            static int untouched = 0;
            ListRecord record{99, &untouched, 0};
            ply_get_element(r, &record);
            ASSERT_EQ(record.count, expected[k].size());
            if (expected[k].empty()) {
                EXPECT_EQ(record.items, nullptr);
            } else {
                EXPECT_EQ(std::vector<int>(record.items, record.items + record.count), expected[k]);
            }
            EXPECT_EQ(record.after, -1 - k);  // the walk went past the whole list
            std::free(record.items);
        }
        ply_close(r);
    }
}

TEST(PlyFile, PropertiesNotAskedForAreReadAndDropped)
{
    PlyReader* r = openText(
        "ply\nformat ascii 1.0\nelement v 2\nproperty int a\nproperty list uchar float l\nproperty int b\n"
        "end_header\n  1 \t 2 0.5 0.25\t\t 3 \n4 0 5\n");
    ASSERT_NE(r, nullptr);
    const PlyPropertyDecl b = ply_scalar_request("b", PLY_INT, 0), missing = ply_scalar_request("nope", PLY_INT, 4);
    ply_request_property(r, "v", &b);
    ::testing::internal::CaptureStderr();
    ply_request_property(r, "v", &missing);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "Warning:  Can't find property 'nope' in element 'v'\n");
    int record[2] = {0, 12345};
    ply_get_element(r, record);
    EXPECT_EQ(record[0], 3);
    EXPECT_EQ(record[1], 12345);  // the missing property's field is not written
    ply_get_element(r, record);
    EXPECT_EQ(record[0], 5);
    ply_close(r);
}

// --- Fatal errors: each ends the process with exit status -1 (255 to the
// parent) and its message on standard error.

// Asks for every property as the file declares it (lists as int with an int
// count) and reads every instance of every element.
void readEverything(PlyReader* r)
{
    for (int i = 0; i < r->numElements; ++i) {
        PlyElementDecl* e = r->elements[i];
        for (int j = 0; j < e->numProperties; ++j) {
            const PlyPropertyDecl* p = e->properties[j];
            const PlyPropertyDecl req = p->isList ? ply_list_request(p->name, PLY_INT, 16 * j, PLY_INT, 16 * j + 8)
                                                  : ply_scalar_request(p->name, p->externalType, 16 * j);
            ply_request_property(r, e->name, &req);
        }
        for (int k = 0; k < e->count; ++k) {
            alignas(8) unsigned char record[16 * 16] = {};
            ply_get_element(r, record);
            for (int j = 0; j < e->numProperties; ++j)
                if (e->properties[j]->isList) std::free(readAt<void*>(record, 16 * j));
        }
    }
}

struct FatalCase {
    const char* what;
    std::string file;
    std::string message;
    void (*read)(PlyReader*) = readEverything;
};

struct ReaderCloser {
    void operator()(PlyReader* r) const { ply_close(r); }
};

void openAndRead(const FatalCase& c)
{
    std::unique_ptr<PlyReader, ReaderCloser> r(openText(c.file));
    if (r) c.read(r.get());
}

const std::string asciiHeader = "ply\nformat ascii 1.0\n";
const std::string binaryHeader = "ply\nformat binary_little_endian 1.0\n";

std::vector<FatalCase> fatalCases()
{
    std::vector<FatalCase> cases = {
        {"an ascii instance line missing", asciiHeader + "element v 2\nproperty int a\nend_header\n1\n",
         "ply_get_element: unexpected end of file\n"},
        {"an unknown type in ascii data", asciiHeader + "element v 1\nproperty int32 a\nend_header\n1\n",
         "get_ascii_item: bad type = 0\n"},
        {"an unknown type in binary data", binaryHeader + "element v 1\nproperty int32 a\nend_header\nxxxx",
         "get_binary_item: bad type = 0\n"},
        {"an unknown list count type",
         asciiHeader + "element v 1\nproperty list uint8 int a\nend_header\n1 1\n", "get_ascii_item: bad type = 0\n"},
        {"a short ascii line", asciiHeader + "element v 1\nproperty int a\nproperty int b\nend_header\n1\n",
         "ply_get_element: too few values in a line of element 'v'\n"},
        {"an ascii list longer than its line",
         asciiHeader + "element v 1\nproperty list uchar int a\nend_header\n3 1 2\n",
         "ply_get_element: too few values in a line of element 'v'\n"},
        {"an empty ascii line", asciiHeader + "element v 1\nproperty int a\nend_header\n\n",
         "ply_get_element: too few values in a line of element 'v'\n"},
        {"a negative ascii list count", asciiHeader + "element v 1\nproperty list int int a\nend_header\n-1 5\n",
         "ply_get_element: negative list count -1 in element 'v'\n"},
        {"a negative binary list count",
         binaryHeader + "element v 1\nproperty list int int a\nend_header\n" + bytes(-7),
         "ply_get_element: negative list count -7 in element 'v'\n"},
        {"a list count out of range", asciiHeader + "element v 1\nproperty list float int a\nend_header\n1e20\n",
         "ply_get_element: list count 1e+20 is out of range\n"},
        {"binary data ending in a scalar",
         binaryHeader + "element v 2\nproperty float a\nend_header\n" + bytes(1.0f) + "ab",
         "ply_get_element: unexpected end of file\n"},
        {"binary data ending in a list",
         binaryHeader + "element v 1\nproperty list uchar int a\nend_header\n" + bytes(std::uint8_t(3)) + bytes(1),
         "ply_get_element: unexpected end of file\n"},
        {"a huge binary list count on little data",
         binaryHeader + "element v 1\nproperty list int double a\nend_header\n" + bytes(2147483647) + bytes(1.0),
         "ply_get_element: unexpected end of file\n"},
        {"a property before any element", asciiHeader + "property float x\nelement v 1\nend_header\n",
         "read_ply_header: property line before any element\n"},
        {"an element line without its count", asciiHeader + "element v\nend_header\n",
         "read_ply_header: element line without a name and a count\n"},
        {"a property line without its name", asciiHeader + "element v 1\nproperty float\nend_header\n",
         "read_ply_header: property line without a type and a name\n"},
        {"a list property line without its name",
         asciiHeader + "element v 1\nproperty list uchar int\nend_header\n",
         "read_ply_header: list property line without a count type, an item type and a name\n"},
        {"a negative element count", asciiHeader + "element v -3\nend_header\n",
         "read_ply_header: element 'v' has a negative count -3\n"},
        {"a header without format", "ply\nelement v 1\nproperty float x\nend_header\n1\n",
         "read_ply_header: no format line\n"},
        {"a header line of 4095 characters", asciiHeader + "comment " + std::string(4087, 'c') + "\nend_header\n",
         "read_line_words: line of 4095 characters or more\n"},
        {"a data line of 4095 characters",
         asciiHeader + "element v 1\nproperty int a\nend_header\n1" + std::string(4094, ' ') + "\n",
         "read_line_words: line of 4095 characters or more\n"},
        {"a float too large for an int", asciiHeader + "element v 1\nproperty float a\nend_header\n3e9\n",
         "store_item: 3e+09 is out of range for type int\n",
         [](PlyReader* r) {
             const PlyPropertyDecl req = ply_scalar_request("a", PLY_INT, 0);
             ply_request_property(r, "v", &req);
             int record = 0;
             ply_get_element(r, &record);
         }},
        {"a NaN stored as unsigned", asciiHeader + "element v 1\nproperty double a\nend_header\nnan\n",
         "store_item: nan is out of range for type uchar\n",
         [](PlyReader* r) {
             const PlyPropertyDecl req = ply_scalar_request("a", PLY_UCHAR, 0);
             ply_request_property(r, "v", &req);
             unsigned char record = 0;
             ply_get_element(r, &record);
         }},
        {"a stored type out of range", asciiHeader + "element v 1\nproperty int a\nend_header\n1\n",
         "store_item: bad type = 9\n",
         [](PlyReader* r) {
             const PlyPropertyDecl req = ply_scalar_request("a", 9, 0);
             ply_request_property(r, "v", &req);
             double record = 0;
             ply_get_element(r, &record);
         }},
        {"a list stored with an item type out of range",
         asciiHeader + "element v 1\nproperty list uchar int a\nend_header\n1 1\n", "store_item: bad type = 0\n",
         [](PlyReader* r) {
             const PlyPropertyDecl req = ply_list_request("a", 0, 8, PLY_INT, 0);
             ply_request_property(r, "v", &req);
             alignas(8) unsigned char record[16] = {};
             ply_get_element(r, record);
         }},
        {"a list asked for as a scalar", asciiHeader + "element v 1\nproperty list uchar int a\nend_header\n0\n",
         "ply_request_property: property 'a' of element 'v' is a list\n",
         [](PlyReader* r) {
             const PlyPropertyDecl req = ply_scalar_request("a", PLY_INT, 0);
             ply_request_property(r, "v", &req);
         }},
        {"a scalar asked for as a list", asciiHeader + "element v 1\nproperty int a\nend_header\n0\n",
         "ply_request_property: property 'a' of element 'v' is not a list\n",
         [](PlyReader* r) {
             const PlyPropertyDecl req = ply_list_request("a", PLY_INT, 8, PLY_INT, 0);
             ply_request_property(r, "v", &req);
         }},
        {"reading with no element chosen", asciiHeader + "element v 1\nproperty int a\nend_header\n0\n",
         "ply_get_element: no element to read\n",
         [](PlyReader* r) {
             int record = 0;
             ply_get_element(r, &record);
         }},
    };
    return cases;
}

TEST(PlyFileDeathTest, MalformedFilesEndWithExitStatusMinusOne)
{
    for (const FatalCase& c : fatalCases()) {
        SCOPED_TRACE(c.what);
        EXPECT_EXIT(openAndRead(c), ::testing::ExitedWithCode(255), quoted(c.message));
    }
}

// The well-formed neighbours of the cases above are read without complaint, so
// that each case fails for the reason it names.
TEST(PlyFile, LinesJustBelowTheLimitAreRead)
{
    PlyReader* r = openText(asciiHeader + "comment " + std::string(4086, 'c') +
                            "\nelement v 1\nproperty int a\nend_header\n7" + std::string(4093, ' ') + "\n");
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(std::strlen(r->comments[0]), 4086u);
    const PlyPropertyDecl req = ply_scalar_request("a", PLY_INT, 0);
    ply_request_property(r, "v", &req);
    int record = 0;
    ply_get_element(r, &record);
    EXPECT_EQ(record, 7);
    ply_close(r);
}

int thrown = 0;
struct Fatal {
    std::string message;
};

// The fatal path can be taken over: a handler that throws leaves the reader
// with everything it held freed (the sanitizers' leak check sees the rest).
TEST(PlyFile, FatalHandlerMayThrow)
{
    const PlyFatalHandler previous = ply_set_fatal_handler([](const char* message) {
        ++thrown;
        throw Fatal{message};
    });
    for (const FatalCase& c : fatalCases()) {
        try {
            openAndRead(c);
            ADD_FAILURE() << c.what << ": no fatal error";
        } catch (const Fatal& f) {
            EXPECT_EQ(f.message, c.message) << c.what;
        }
    }
    EXPECT_EQ(thrown, int(fatalCases().size()));
    ply_set_fatal_handler(previous);
}

// Opening a FIFO would wait for a writer for good: what is no regular file is
// a fatal error by what it is, before anything is opened.
TEST(PlyFile, WhatIsNoRegularFileIsFatalUnopened)
{
    const PlyFatalHandler previous = ply_set_fatal_handler([](const char* message) { throw Fatal{message}; });
    const auto fatalMessage = [](const std::string& name) {
        try {
            PlyReader* r = ply_open_read(name.c_str(), nullptr, nullptr, nullptr, nullptr);
            ply_close(r);
        } catch (const Fatal& f) {
            return f.message;
        }
        return std::string("(no fatal error)");
    };
    const std::string base = ::testing::TempDir() + "marrowfield_" + std::to_string(getpid());
    const testsupport::Fifo fifo(base + "_fifo.ply");
    fifo.callWithoutWaiting([&] {
        EXPECT_EQ(fatalMessage(base + "_fifo"), "ply_open_read: \"" + fifo.path() + "\" is a FIFO, not a regular file\n");
    });
    std::filesystem::create_directories(base + "_directory.ply");
    EXPECT_EQ(fatalMessage(base + "_directory.ply"),
              "ply_open_read: \"" + base + "_directory.ply\" is a directory, not a regular file\n");
    std::filesystem::remove(base + "_directory.ply");
    std::filesystem::create_symlink("/dev/zero", base + "_device.ply");
    EXPECT_EQ(fatalMessage(base + "_device.ply"),
              "ply_open_read: \"" + base + "_device.ply\" is a device, not a regular file\n");
    std::filesystem::remove(base + "_device.ply");
    ply_set_fatal_handler(previous);
}

}  // namespace
