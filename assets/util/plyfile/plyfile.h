#pragma once
// Reader of files in the PLY polygon format: plain records and free functions.
//
// The header is parsed into element and property declarations; the caller then
// asks for chosen properties of an element to be stored at byte offsets of a
// record of its own (ply_request_property) and reads the element's instances
// one at a time (ply_get_element), each value converted from the type the
// file declares to the type the caller asked for. Ascii and binary data are
// read; binary values are taken in the machine's own byte order whatever the
// header says.
//
// A malformed file is a fatal error: its message goes to the fatal handler,
// which by default writes it on standard error and ends the process with exit
// status -1. The line buffers are static: one reader at a time, on one thread.
#include <cstdio>

enum PlyType {
    PLY_INVALID = 0,
    PLY_CHAR = 1,
    PLY_SHORT = 2,
    PLY_INT = 3,
    PLY_UCHAR = 4,
    PLY_USHORT = 5,
    PLY_UINT = 6,
    PLY_FLOAT = 7,
    PLY_DOUBLE = 8,
};

enum PlyFileType {
    PLY_ASCII = 1,
    PLY_BINARY_BE = 2,
    PLY_BINARY_LE = 3,
};

// Indexed by PlyType.
extern const char* const ply_type_names[9];
extern const int ply_type_sizes[9];

// A property as the header declares it; as a request, only name, isList,
// internalType, offset, countInternalType and countOffset are read.
struct PlyPropertyDecl {
    char* name;
    int externalType;       // of the value, or of each list item, in the file
    int internalType;       // stored into the caller's record
    int offset;             // of the value, or of the list's item pointer, in the record
    int isList;             // 1 for a list
    int countExternalType;  // of the list's count in the file
    int countInternalType;  // of the list's count in the record
    int countOffset;        // of the list's count in the record
};

struct PlyElementDecl {
    char* name;
    int count;  // instances
    int numProperties;
    PlyPropertyDecl** properties;  // in header order
    char* storeFlags;              // one per property: 1 when the caller asked for it
};

// The state of a file open for reading.
struct PlyReader {
    std::FILE* fp;
    int fileType;  // PlyFileType
    float version;
    int numElements;
    PlyElementDecl** elements;  // in header order
    int numComments;
    char** comments;
    int numObjInfo;
    char** objInfo;
    PlyElementDecl* currentElement;  // the element that ply_get_element reads
};

// Opens "<name>" (".ply" appended unless the name ends in it) and reads its
// header. Returns null, silently, when the file cannot be opened, is empty,
// does not start with "ply", or its "format" line is not "format <type>
// <version>" with a known type. Reports the element count, a copy of the
// element names (free it with ply_free_names; may be null when not wanted),
// the file type and the version.
PlyReader* ply_open_read(const char* fileName, int* numElements, char*** elementNames, int* fileType,
                         float* version);

// The same on a stream open for reading, which the reader takes over: it is
// closed with the reader, or at once when the header is refused.
PlyReader* ply_read_stream(std::FILE* fp, int* numElements, char*** elementNames, int* fileType,
                           float* version);

// A copy of the named element's property declarations (free it with
// ply_free_properties), with its instance and property counts; null when no
// element has that name.
PlyPropertyDecl** ply_describe_element(PlyReader* reader, const char* elementName, int* count,
                                       int* numProperties);

// Asks for one property of the named element to be stored as the request
// says, and makes that element the current one. A property the element does
// not declare gets a warning on standard error and is not stored.
void ply_request_property(PlyReader* reader, const char* elementName, const PlyPropertyDecl* request);

// Requests to hand to ply_request_property: a value stored as `type` at
// `offset` of the record; a list whose items are stored as `type` in a block
// whose pointer goes to `offset`, its count as `countType` at `countOffset`.
PlyPropertyDecl ply_scalar_request(const char* name, int type, int offset);
PlyPropertyDecl ply_list_request(const char* name, int type, int offset, int countType, int countOffset);

// Reads the next instance of the current element into the record. A stored
// list's items are a new block (free it with std::free), null for count 0.
void ply_get_element(PlyReader* reader, void* record);

// Closes the reader's file and frees the reader with everything it holds.
void ply_close(PlyReader* reader);

void ply_free_names(char** names, int count);
void ply_free_properties(PlyPropertyDecl** properties, int count);

// Where fatal errors go. A handler must not return: it may end the process or
// throw, and a throw passes through the reader and readers of models built on
// it with everything they allocated freed. A handler that returns gets the
// default ending. Returns the previous handler; null restores the default.
using PlyFatalHandler = void (*)(const char* message);
PlyFatalHandler ply_set_fatal_handler(PlyFatalHandler handler);

// Formats a message and hands it to the fatal handler.
[[noreturn]] void ply_fatal(const char* format, ...) __attribute__((format(printf, 1, 2)));
