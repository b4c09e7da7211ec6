#include "assets/util/plyfile/plyfile.h"

#include <cstdarg>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

const char* const ply_type_names[9] = {"invalid", "char", "short", "int", "uchar", "ushort", "uint", "float", "double"};
const int ply_type_sizes[9] = {0, 1, 2, 4, 1, 2, 4, 4, 8};

namespace {

// The allocation message names each allocation by a number and the module by
// this text, as the reader's users know them.
const char* const MODULE_NAME = "..\\..\\src\\quillon\\util\\plyfile";

// Lines are read into these; the words of the last line point into the first.
constexpr int LINE_SIZE = 4096;
char str[LINE_SIZE];
char str_copy[LINE_SIZE];

PlyFatalHandler fatalHandler = nullptr;

// One value as read, in the three forms a store may take. An integer taken
// from a float or double value exists only where the value lies in range.
struct PlyValue {
    int intValue = 0;
    unsigned uintValue = 0;
    double doubleValue = 0.0;
    bool intInRange = true;
    bool uintInRange = true;
};

struct FileCloser {
    void operator()(std::FILE* fp) const { std::fclose(fp); }
};
struct ReaderCloser {
    void operator()(PlyReader* reader) const { ply_close(reader); }
};
struct Freer {
    void operator()(void* p) const { std::free(p); }
};
using ReaderHolder = std::unique_ptr<PlyReader, ReaderCloser>;
using Block = std::unique_ptr<char, Freer>;

// The word list of one line; the words themselves live in the line buffer.
struct WordList {
    char** words = nullptr;
    int count = 0;
    ~WordList() { std::free(words); }
};

}  // namespace

// The default ending: the message on standard error, exit status -1.
[[noreturn]] static void print_and_exit(const char* message)
{
    std::fputs(message, stderr);
    std::exit(-1);
}

PlyFatalHandler ply_set_fatal_handler(PlyFatalHandler handler)
{
    PlyFatalHandler previous = fatalHandler ? fatalHandler : print_and_exit;
    fatalHandler = handler;
    return previous;
}

void ply_fatal(const char* format, ...)
{
    char message[2 * LINE_SIZE];
    va_list args;
    va_start(args, format);
    std::vsnprintf(message, sizeof message, format, args);
    va_end(args);
    if (fatalHandler) fatalHandler(message);
    print_and_exit(message);
}

static void* ply_alloc(std::size_t size, int line)
{
    void* p = std::calloc(1, size ? size : 1);
    if (!p) ply_fatal("Memory allocation bombed on line %d in %s\n", line, MODULE_NAME);
    return p;
}

// Grows `array` to `count` entries; on failure the old array stays where it
// is, to be freed by its owner.
template <class T>
static void ply_grow(T*& array, std::size_t count, int line)
{
    void* p = std::realloc(array, count * sizeof(T));
    if (!p) ply_fatal("Memory allocation bombed on line %d in %s\n", line, MODULE_NAME);
    array = static_cast<T*>(p);
}

static char* copy_string(const char* s, int line)
{
    const std::size_t n = std::strlen(s) + 1;
    char* copy = static_cast<char*>(ply_alloc(n, line));
    std::memcpy(copy, s, n);
    return copy;
}

static PlyReader* read_ply_header(std::FILE* fp);
static char** read_line_words(std::FILE* fp, int* numWords, char** lineCopy);

PlyReader* ply_open_read(const char* fileName, int* numElements, char*** elementNames, int* fileType,
                         float* version)
{
    const std::size_t length = std::strlen(fileName);
    Block name(static_cast<char*>(ply_alloc(length + 5, 814)));
    std::memcpy(name.get(), fileName, length + 1);
    if (length < 4 || std::strcmp(fileName + length - 4, ".ply") != 0) std::strcat(name.get(), ".ply");

    std::FILE* fp = std::fopen(name.get(), "r");
    if (!fp) return nullptr;
    return ply_read_stream(fp, numElements, elementNames, fileType, version);
}

PlyReader* ply_read_stream(std::FILE* fp, int* numElements, char*** elementNames, int* fileType, float* version)
{
    ReaderHolder reader(read_ply_header(fp));
    if (!reader) return nullptr;

    if (elementNames) {
        char** names = static_cast<char**>(ply_alloc(sizeof(char*) * std::size_t(reader->numElements), 773));
        for (int i = 0; i < reader->numElements; ++i) {
            // Names copied so far go if a later copy fails and the handler throws.
            try {
                names[i] = copy_string(reader->elements[i]->name, 773);
            } catch (...) {
                ply_free_names(names, i);
                throw;
            }
        }
        *elementNames = names;
    }
    if (numElements) *numElements = reader->numElements;
    if (fileType) *fileType = reader->fileType;
    if (version) *version = reader->version;
    return reader.release();
}

static bool same_string(const char* a, const char* b) { return std::strcmp(a, b) == 0; }
static void append_element(PlyReader* reader, char** words, int numWords);
static void append_property(PlyReader* reader, char** words, int numWords);
static void append_comment(PlyReader* reader, const char* text);
static void append_obj_info(PlyReader* reader, const char* text);

// The text of a comment or obj_info line: what follows the keyword, without the
// spaces before it. The keyword's column in the copy is that of its word.
static const char* keyword_text(char* const* words, const char* lineCopy, std::size_t keywordLength)
{
    const char* text = lineCopy + (words[0] - str) + keywordLength;
    while (*text == ' ' || *text == '\t') ++text;
    return text;
}

static PlyReader* read_ply_header(std::FILE* fp)
{
    std::unique_ptr<std::FILE, FileCloser> file(fp);
    ReaderHolder reader(static_cast<PlyReader*>(ply_alloc(sizeof(PlyReader), 710)));
    reader->fp = file.release();

    WordList line;
    char* lineCopy = nullptr;
    line.words = read_line_words(fp, &line.count, &lineCopy);
    if (!line.words || line.count == 0 || !same_string(line.words[0], "ply")) return nullptr;

    while (line.words) {
        char** words = line.words;
        const int n = line.count;
        if (n == 0) {
            // an empty line says nothing
        } else if (same_string(words[0], "format")) {
            if (n != 3) return nullptr;
            if (same_string(words[1], "ascii"))
                reader->fileType = PLY_ASCII;
            else if (same_string(words[1], "binary_big_endian"))
                reader->fileType = PLY_BINARY_BE;
            else if (same_string(words[1], "binary_little_endian"))
                reader->fileType = PLY_BINARY_LE;
            else
                return nullptr;
            reader->version = float(std::atof(words[2]));
        } else if (same_string(words[0], "element")) {
            append_element(reader.get(), words, n);
        } else if (same_string(words[0], "property")) {
            append_property(reader.get(), words, n);
        } else if (same_string(words[0], "comment")) {
            append_comment(reader.get(), keyword_text(words, lineCopy, 7));
        } else if (same_string(words[0], "obj_info")) {
            append_obj_info(reader.get(), keyword_text(words, lineCopy, 8));
        } else if (same_string(words[0], "end_header")) {
            break;
        }
        std::free(line.words);
        line.words = nullptr;  // the next read may end in a fatal error
        line.words = read_line_words(fp, &line.count, &lineCopy);
    }
    // Without a file type nothing tells how the data is to be read.
    if (reader->fileType == 0) ply_fatal("read_ply_header: no format line\n");

    for (int i = 0; i < reader->numElements; ++i) {
        PlyElementDecl* element = reader->elements[i];
        element->storeFlags = static_cast<char*>(ply_alloc(std::size_t(element->numProperties), 765));
    }
    return reader.release();
}

// Reads one line into the line buffer and splits it into words at spaces, tabs
// and carriage returns. Returns null at the end of the file.
static char** read_line_words(std::FILE* fp, int* numWords, char** lineCopy)
{
    int length = 0;
    int c;
    while ((c = std::getc(fp)) != EOF) {
        str[length++] = char(c);
        if (c == '\n') break;
        // A longer line would be cut and its rest taken for the next line.
        if (length == LINE_SIZE - 1) ply_fatal("read_line_words: line of %d characters or more\n", LINE_SIZE - 1);
    }
    if (length == 0) {
        *numWords = 0;
        *lineCopy = nullptr;
        return nullptr;
    }
    str[length] = '\0';  // every word scan stops here

    // A tab, and a carriage return inside the line, become spaces in both
    // buffers; the newline, with a carriage return before it, becomes a space
    // and ends the copy.
    char* q = str_copy;
    bool copying = true;
    for (char* p = str; *p; ++p) {
        const bool lineEnd = *p == '\n' || (*p == '\r' && (p[1] == '\n' || p[1] == '\0'));
        if (lineEnd) {
            *p = ' ';
            copying = false;
        } else if (*p == '\t' || *p == '\r') {
            *p = ' ';
            if (copying) *q++ = ' ';
        } else if (copying) {
            *q++ = *p;
        }
    }
    *q = '\0';

    int capacity = 10;
    char** words = static_cast<char**>(ply_alloc(sizeof(char*) * capacity, 1748));
    int count = 0;
    for (char* p = str; *p;) {
        if (*p == ' ') {
            ++p;
            continue;
        }
        if (count == capacity) {
            capacity += 10;
            char** grown = static_cast<char**>(std::realloc(words, sizeof(char*) * capacity));
            if (!grown) {
                std::free(words);
                ply_fatal("Memory allocation bombed on line %d in %s\n", 1748, MODULE_NAME);
            }
            words = grown;
        }
        words[count++] = p;
        while (*p && *p != ' ') ++p;
        if (*p) *p++ = '\0';
    }
    *numWords = count;
    *lineCopy = str_copy;
    return words;
}

static int type_from_name(const char* name)
{
    for (int code = PLY_CHAR; code <= PLY_DOUBLE; ++code)
        if (same_string(name, ply_type_names[code])) return code;
    return PLY_INVALID;
}

static void append_element(PlyReader* reader, char** words, int numWords)
{
    if (numWords < 3) ply_fatal("read_ply_header: element line without a name and a count\n");
    const int count = std::atoi(words[2]);
    if (count < 0) ply_fatal("read_ply_header: element '%s' has a negative count %d\n", words[1], count);

    auto* element = static_cast<PlyElementDecl*>(ply_alloc(sizeof(PlyElementDecl), 2344));
    try {
        element->name = copy_string(words[1], 2344);
        element->count = count;
        ply_grow(reader->elements, std::size_t(reader->numElements) + 1, 2351);
    } catch (...) {
        std::free(element->name);
        std::free(element);
        throw;
    }
    reader->elements[reader->numElements++] = element;
}

static void append_property(PlyReader* reader, char** words, int numWords)
{
    if (reader->numElements == 0) ply_fatal("read_ply_header: property line before any element\n");
    PlyElementDecl* element = reader->elements[reader->numElements - 1];

    const bool isList = numWords >= 2 && same_string(words[1], "list");
    if (isList && numWords < 5)
        ply_fatal("read_ply_header: list property line without a count type, an item type and a name\n");
    if (!isList && numWords < 3) ply_fatal("read_ply_header: property line without a type and a name\n");

    auto* property = static_cast<PlyPropertyDecl*>(ply_alloc(sizeof(PlyPropertyDecl), 2403));
    try {
        if (isList) {
            property->isList = 1;
            property->countExternalType = type_from_name(words[2]);
            property->externalType = type_from_name(words[3]);
            property->name = copy_string(words[4], 2403);
        } else {
            property->externalType = type_from_name(words[1]);
            property->name = copy_string(words[2], 2403);
        }
        ply_grow(element->properties, std::size_t(element->numProperties) + 1, 2422);
    } catch (...) {
        std::free(property->name);
        std::free(property);
        throw;
    }
    element->properties[element->numProperties++] = property;
}

static void append_text(char**& list, int& count, const char* text, int line)
{
    char* copy = copy_string(text, line);
    try {
        ply_grow(list, std::size_t(count) + 1, line);
    } catch (...) {
        std::free(copy);
        throw;
    }
    list[count++] = copy;
}

static void append_comment(PlyReader* reader, const char* text)
{
    append_text(reader->comments, reader->numComments, text, 635);
}

static void append_obj_info(PlyReader* reader, const char* text)
{
    append_text(reader->objInfo, reader->numObjInfo, text, 659);
}

static PlyElementDecl* lookup_element(PlyReader* reader, const char* name)
{
    for (int i = 0; i < reader->numElements; ++i)
        if (same_string(reader->elements[i]->name, name)) return reader->elements[i];
    return nullptr;
}

static PlyPropertyDecl* lookup_property(PlyElementDecl* element, const char* name, int* index)
{
    for (int i = 0; i < element->numProperties; ++i) {
        if (same_string(element->properties[i]->name, name)) {
            *index = i;
            return element->properties[i];
        }
    }
    return nullptr;
}

PlyPropertyDecl** ply_describe_element(PlyReader* reader, const char* elementName, int* count, int* numProperties)
{
    PlyElementDecl* element = lookup_element(reader, elementName);
    if (!element) return nullptr;
    *count = element->count;
    *numProperties = element->numProperties;

    auto** copies =
        static_cast<PlyPropertyDecl**>(ply_alloc(sizeof(PlyPropertyDecl*) * std::size_t(element->numProperties), 875));
    try {
        for (int i = 0; i < element->numProperties; ++i) {
            auto* copy = static_cast<PlyPropertyDecl*>(ply_alloc(sizeof(PlyPropertyDecl), 877));
            *copy = *element->properties[i];
            copy->name = nullptr;
            copies[i] = copy;
            copy->name = copy_string(element->properties[i]->name, 877);
        }
    } catch (...) {
        ply_free_properties(copies, element->numProperties);  // entries not made yet are null
        throw;
    }
    return copies;
}

void ply_request_property(PlyReader* reader, const char* elementName, const PlyPropertyDecl* request)
{
    PlyElementDecl* element = lookup_element(reader, elementName);
    reader->currentElement = element;
    int index = 0;
    PlyPropertyDecl* property = element ? lookup_property(element, request->name, &index) : nullptr;
    if (!property) {
        std::fprintf(stderr, "Warning:  Can't find property '%s' in element '%s'\n", request->name, elementName);
        return;
    }
    // A list stored as a scalar, or a scalar as a list, would write a pointer
    // where the record holds a number, or read a number as a pointer.
    if ((property->isList != 0) != (request->isList != 0))
        ply_fatal("ply_request_property: property '%s' of element '%s' is %s list\n", request->name, elementName,
                  property->isList ? "a" : "not a");
    property->internalType = request->internalType;
    property->offset = request->offset;
    property->countInternalType = request->countInternalType;
    property->countOffset = request->countOffset;
    element->storeFlags[index] = 1;
}

PlyPropertyDecl ply_scalar_request(const char* name, int type, int offset)
{
    PlyPropertyDecl request{};
    request.name = const_cast<char*>(name);  // a request's name is only read
    request.internalType = type;
    request.offset = offset;
    return request;
}

PlyPropertyDecl ply_list_request(const char* name, int type, int offset, int countType, int countOffset)
{
    PlyPropertyDecl request = ply_scalar_request(name, type, offset);
    request.isList = 1;
    request.countInternalType = countType;
    request.countOffset = countOffset;
    return request;
}

static void read_ascii_element(PlyReader* reader, char* record);
static void read_binary_element(PlyReader* reader, char* record);

void ply_get_element(PlyReader* reader, void* record)
{
    if (!reader->currentElement) ply_fatal("ply_get_element: no element to read\n");
    if (reader->fileType == PLY_ASCII)
        read_ascii_element(reader, static_cast<char*>(record));
    else
        read_binary_element(reader, static_cast<char*>(record));
}

static PlyValue get_ascii_item(const char* word, int type);
static PlyValue get_binary_item(std::FILE* fp, int type);
static void store_item(char* address, int type, const PlyValue& value);

// A list's item count, as the walk uses it.
static int list_count(const PlyValue& value, const PlyElementDecl* element)
{
    if (!value.intInRange) ply_fatal("ply_get_element: list count %g is out of range\n", value.doubleValue);
    if (value.intValue < 0)
        ply_fatal("ply_get_element: negative list count %d in element '%s'\n", value.intValue, element->name);
    return value.intValue;
}

// The size of one stored item of a list of `count`, checked before anything
// is allocated for it.
static std::size_t item_size(const PlyPropertyDecl* property, int count)
{
    if (property->internalType < PLY_CHAR || property->internalType > PLY_DOUBLE)
        ply_fatal("store_item: bad type = %d\n", property->internalType);
    const std::size_t size = std::size_t(ply_type_sizes[property->internalType]);
    if (std::size_t(count) > SIZE_MAX / size)
        ply_fatal("ply_get_element: list of %d items of %d bytes is too large\n", count, int(size));
    return size;
}

static void store_pointer(char* address, const void* pointer) { std::memcpy(address, &pointer, sizeof pointer); }

static void read_ascii_element(PlyReader* reader, char* record)
{
    PlyElementDecl* element = reader->currentElement;
    WordList line;
    char* lineCopy = nullptr;
    line.words = read_line_words(reader->fp, &line.count, &lineCopy);
    if (!line.words) ply_fatal("ply_get_element: unexpected end of file\n");

    int which = 0;
    auto nextWord = [&]() -> const char* {
        if (which >= line.count)
            ply_fatal("ply_get_element: too few values in a line of element '%s'\n", element->name);
        return line.words[which++];
    };
    for (int j = 0; j < element->numProperties; ++j) {
        const PlyPropertyDecl* property = element->properties[j];
        const bool stored = element->storeFlags[j] != 0;
        if (!property->isList) {
            const PlyValue value = get_ascii_item(nextWord(), property->externalType);
            if (stored) store_item(record + property->offset, property->internalType, value);
            continue;
        }
        const PlyValue countValue = get_ascii_item(nextWord(), property->countExternalType);
        const int count = list_count(countValue, element);
        if (stored) store_item(record + property->countOffset, property->countInternalType, countValue);
        if (count > line.count - which)
            ply_fatal("ply_get_element: too few values in a line of element '%s'\n", element->name);
        if (count == 0) {
            if (stored) store_pointer(record + property->offset, nullptr);
            continue;
        }
        Block items;
        std::size_t size = 0;
        if (stored) {
            size = item_size(property, count);
            items.reset(static_cast<char*>(ply_alloc(size * std::size_t(count), 1552)));
        }
        for (int k = 0; k < count; ++k) {
            const PlyValue value = get_ascii_item(nextWord(), property->externalType);
            if (stored) store_item(items.get() + size * std::size_t(k), property->internalType, value);
        }
        if (stored) store_pointer(record + property->offset, items.release());
    }
}

static PlyValue from_integer(int i)
{
    PlyValue v;
    v.intValue = i;
    v.uintValue = unsigned(i);
    v.doubleValue = i;
    return v;
}

static PlyValue from_unsigned(unsigned u)
{
    PlyValue v;
    v.intValue = int(u);
    v.uintValue = u;
    v.doubleValue = u;
    return v;
}

// The int truncates toward zero; the unsigned truncates through a 64-bit
// integer. Either exists only where that truncation is defined.
static PlyValue from_double(double d)
{
    PlyValue v;
    v.doubleValue = d;
    v.intInRange = d > -2147483649.0 && d < 2147483648.0;
    v.uintInRange = d > -9223372036854775809.0 && d < 9223372036854775808.0;
    if (v.intInRange) v.intValue = int(d);
    if (v.uintInRange) v.uintValue = unsigned(std::int64_t(d));
    return v;
}

static PlyValue get_ascii_item(const char* word, int type)
{
    switch (type) {
    case PLY_CHAR:
    case PLY_SHORT:
    case PLY_INT:
    case PLY_UCHAR:
    case PLY_USHORT:
        return from_integer(int(std::strtol(word, nullptr, 10)));  // as atoi does
    case PLY_UINT:
        return from_unsigned(unsigned(std::strtoul(word, nullptr, 10)));
    case PLY_FLOAT:
    case PLY_DOUBLE:
        return from_double(std::atof(word));
    default:
        ply_fatal("get_ascii_item: bad type = %d\n", type);
    }
}

template <class T>
static void store_as(char* address, T value)
{
    std::memcpy(address, &value, sizeof value);  // records need not be aligned for T
}

static void store_item(char* address, int type, const PlyValue& value)
{
    if (type >= PLY_CHAR && type <= PLY_INT && !value.intInRange)
        ply_fatal("store_item: %g is out of range for type %s\n", value.doubleValue, ply_type_names[type]);
    if (type >= PLY_UCHAR && type <= PLY_UINT && !value.uintInRange)
        ply_fatal("store_item: %g is out of range for type %s\n", value.doubleValue, ply_type_names[type]);
    switch (type) {
    case PLY_CHAR:
        store_as(address, static_cast<signed char>(value.intValue));
        break;
    case PLY_SHORT:
        store_as(address, static_cast<short>(value.intValue));
        break;
    case PLY_INT:
        store_as(address, value.intValue);
        break;
    case PLY_UCHAR:
        store_as(address, static_cast<unsigned char>(value.uintValue));
        break;
    case PLY_USHORT:
        store_as(address, static_cast<unsigned short>(value.uintValue));
        break;
    case PLY_UINT:
        store_as(address, value.uintValue);
        break;
    case PLY_FLOAT:
        store_as(address, float(value.doubleValue));
        break;
    case PLY_DOUBLE:
        store_as(address, value.doubleValue);
        break;
    default:
        ply_fatal("store_item: bad type = %d\n", type);
    }
}

static void read_binary_element(PlyReader* reader, char* record)
{
    PlyElementDecl* element = reader->currentElement;
    for (int j = 0; j < element->numProperties; ++j) {
        const PlyPropertyDecl* property = element->properties[j];
        const bool stored = element->storeFlags[j] != 0;
        if (!property->isList) {
            const PlyValue value = get_binary_item(reader->fp, property->externalType);
            if (stored) store_item(record + property->offset, property->internalType, value);
            continue;
        }
        const PlyValue countValue = get_binary_item(reader->fp, property->countExternalType);
        const int count = list_count(countValue, element);
        if (stored) store_item(record + property->countOffset, property->countInternalType, countValue);
        if (count == 0) {
            if (stored) store_pointer(record + property->offset, nullptr);
            continue;
        }
        // The count is the file's word: the block grows with the items that
        // are actually there, so a count beyond the data allocates no more
        // than the data fills.
        Block items;
        std::size_t size = 0, capacity = 0;
        if (stored) size = item_size(property, count);
        for (int k = 0; k < count; ++k) {
            const PlyValue value = get_binary_item(reader->fp, property->externalType);
            if (!stored) continue;
            if (std::size_t(k) == capacity) {
                capacity = capacity == 0 ? std::size_t(count < 64 ? count : 64) : capacity * 2;
                if (capacity > std::size_t(count)) capacity = std::size_t(count);
                char* grown = items.get();
                ply_grow(grown, size * capacity, 1667);
                items.release();
                items.reset(grown);
            }
            store_item(items.get() + size * std::size_t(k), property->internalType, value);
        }
        if (stored) store_pointer(record + property->offset, items.release());
    }
}

template <class T>
static T read_binary(std::FILE* fp)
{
    T value;
    if (std::fread(&value, sizeof value, 1, fp) != 1) ply_fatal("ply_get_element: unexpected end of file\n");
    return value;
}

static PlyValue get_binary_item(std::FILE* fp, int type)
{
    switch (type) {
    case PLY_CHAR:
        return from_integer(read_binary<signed char>(fp));
    case PLY_SHORT:
        return from_integer(read_binary<short>(fp));
    case PLY_INT:
        return from_integer(read_binary<int>(fp));
    case PLY_UCHAR:
        return from_integer(read_binary<unsigned char>(fp));
    case PLY_USHORT:
        return from_integer(read_binary<unsigned short>(fp));
    case PLY_UINT:
        return from_unsigned(read_binary<unsigned>(fp));
    case PLY_FLOAT:
        return from_double(read_binary<float>(fp));
    case PLY_DOUBLE:
        return from_double(read_binary<double>(fp));
    default:
        ply_fatal("get_binary_item: bad type = %d\n", type);
    }
}

void ply_free_properties(PlyPropertyDecl** properties, int count)
{
    if (!properties) return;
    for (int i = 0; i < count; ++i) {
        if (!properties[i]) continue;
        std::free(properties[i]->name);
        std::free(properties[i]);
    }
    std::free(properties);
}

void ply_free_names(char** names, int count)
{
    if (!names) return;
    for (int i = 0; i < count; ++i) std::free(names[i]);
    std::free(names);
}

void ply_close(PlyReader* reader)
{
    if (!reader) return;
    if (reader->fp) std::fclose(reader->fp);
    for (int i = 0; i < reader->numElements; ++i) {
        PlyElementDecl* element = reader->elements[i];
        ply_free_properties(element->properties, element->numProperties);
        std::free(element->storeFlags);
        std::free(element->name);
        std::free(element);
    }
    std::free(reader->elements);
    ply_free_names(reader->comments, reader->numComments);
    ply_free_names(reader->objInfo, reader->numObjInfo);
    std::free(reader);
}
