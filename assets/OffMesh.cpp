#include "assets/OffMesh.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <type_traits>
#include <vector>

#include "assets/ModelMesh.h"
#include "platform/FileCheck.h"

namespace {

// The file's whitespace-separated values, each read in full before it is
// converted, so that a file that ends early or holds something else where a
// number belongs is refused by name instead of being read past.
class OffValues {
public:
    OffValues(std::FILE* fp, const std::string& fileName) : mFp(fp), mFileName(fileName) {}

    [[noreturn]] void refuse(const std::string& what) const { refuseModel("readOffFile", mFileName, what); }

    template <class What>
    static std::string describe(const What& what)
    {
        if constexpr (std::is_invocable_v<const What&>)
            return what();
        else
            return std::string(what);
    }

    // `what` names the value in a refusal: a text, or something that makes one
    // (only called then, so that reading costs no text per value).
    template <class What>
    const char* word(const What& what)
    {
        if (std::fscanf(mFp, "%255s", mWord) != 1) refuse("the file ends before " + describe(what));
        return mWord;
    }

    template <class What>
    int integer(const What& what)
    {
        const char* text = word(what);
        if (std::strlen(text) == sizeof mWord - 1) refuse(describe(what) + " is too long");
        char* end = nullptr;
        errno = 0;
        const long value = std::strtol(text, &end, 10);
        if (end == text || *end != '\0' || errno == ERANGE || value < INT_MIN || value > INT_MAX)
            refuse(describe(what) + " \"" + text + "\" is not an integer");
        return int(value);
    }

    template <class What>
    float number(const What& what)
    {
        const char* text = word(what);
        if (std::strlen(text) == sizeof mWord - 1) refuse(describe(what) + " is too long");
        char* end = nullptr;
        const float value = std::strtof(text, &end);
        if (end == text || *end != '\0') refuse(describe(what) + " \"" + text + "\" is not a number");
        if (!std::isfinite(value)) refuse(describe(what) + " \"" + text + "\" is not finite");
        return value;
    }

private:
    std::FILE* mFp;
    const std::string& mFileName;
    char mWord[256];
};

struct FileCloser {
    void operator()(std::FILE* fp) const { std::fclose(fp); }
};

}  // namespace

void readOffFile(const std::string& fileName, int& numVertices, float*& vertices, int& numFaces,
                 unsigned short*& faces)
{
    // Opening a FIFO would wait for a writer for good.
    const std::string irregular = platform::irregularFile(fileName);
    if (!irregular.empty()) refuseModel("readOffFile", fileName, irregular);
    std::unique_ptr<std::FILE, FileCloser> fp(std::fopen(fileName.c_str(), "r"));
    if (!fp) {
        std::printf("Error opening file \"%s\" for reading.\n", fileName.c_str());
        return;
    }
    readOffStream(fp.get(), fileName, numVertices, vertices, numFaces, faces);
}

void readOffStream(std::FILE* fp, const std::string& fileName, int& numVertices, float*& vertices, int& numFaces,
                   unsigned short*& faces)
{
    OffValues in(fp, fileName);
    char header[256];
    if (std::fscanf(fp, "%255s", header) != 1) in.refuse("the file is empty");  // the word itself is not checked

    const int vertexCount = in.integer("the vertex count");
    const int faceCount = in.integer("the face count");
    in.integer("the edge count");
    if (vertexCount < 0) in.refuse("negative vertex count " + std::to_string(vertexCount));
    if (vertexCount == 0) in.refuse("no vertex");
    if (vertexCount > MAX_MODEL_VERTICES)
        in.refuse(std::to_string(vertexCount) + " vertices, more than 16-bit indices address");
    if (faceCount < 0) in.refuse("negative face count " + std::to_string(faceCount));
    if (faceCount == 0) in.refuse("no face");
    if (faceCount > MAX_MODEL_FACES)
        in.refuse(std::to_string(faceCount) + " faces, more than " + std::to_string(MAX_MODEL_FACES));

    // Filled as the values come, so that counts the file does not hold cost nothing.
    std::vector<float> coordinates;
    for (int v = 0; v < vertexCount; ++v) {
        const auto what = [v] { return "a coordinate of vertex " + std::to_string(v); };
        for (int k = 0; k < 3; ++k) coordinates.push_back(in.number(what));
    }

    std::vector<unsigned short> triangles;
    for (int f = 0; f < faceCount; ++f) {
        const auto polygon = [f] { return "polygon " + std::to_string(f); };
        const auto sizeOf = [&] { return "the size of " + polygon(); };
        const auto anIndex = [&] { return "an index of " + polygon(); };
        const int size = in.integer(sizeOf);
        if (size < 0) in.refuse(polygon() + " has a negative size " + std::to_string(size));
        if (size != 3) {
            std::printf("invalid polygon... with %d faces\n", size);
            for (int i = 0; i < size; ++i) in.integer(anIndex);
            triangles.insert(triangles.end(), {0, 0, 0});
            continue;
        }
        for (int i = 0; i < 3; ++i) {
            const int index = in.integer(anIndex);
            if (index < 0 || index >= vertexCount)
                in.refuse(polygon() + " refers to vertex " + std::to_string(index) + " of " +
                          std::to_string(vertexCount));
            triangles.push_back((unsigned short)index);
        }
    }

    vertices = new float[coordinates.size()];
    std::copy(coordinates.begin(), coordinates.end(), vertices);
    faces = new unsigned short[triangles.size()];
    std::copy(triangles.begin(), triangles.end(), faces);
    numVertices = vertexCount;
    numFaces = faceCount;
}

OffMesh::OffMesh(const std::string& meshName, const std::string& fileName, float size)
{
    try {
        try {
            readOffFile(fileName, mNumVertices, mVertices, mNumFaces, mFaces);
        } catch (const std::bad_alloc&) {
            refuseModel("OffMesh", fileName, "out of memory while reading");
        }
        if (mNumVertices == 0) refuseModel("OffMesh", fileName, "no model read");

        float minimum[3], maximum[3];
        vertexBounds(mVertices, std::uint32_t(mNumVertices), minimum, maximum);
        float d[3];
        for (int k = 0; k < 3; ++k)
            d[k] = scaledCoordinate(double(maximum[k]) - minimum[k], "OffMesh", fileName);
        const float diagonal = float(std::sqrt(double(d[2]) * d[2] + double(d[1]) * d[1] + double(d[0]) * d[0]));
        if (!(diagonal > 0.0f) || !std::isfinite(diagonal))
            refuseModel("OffMesh", fileName, "the model's bounding box has no diagonal");

        for (int i = 0; i < 3 * mNumVertices; ++i)
            mVertices[i] = scaledCoordinate(double(mVertices[i]) / diagonal * size, "OffMesh", fileName);
        for (int k = 0; k < 3; ++k) {
            minimum[k] = scaledCoordinate(double(minimum[k]) / diagonal * size, "OffMesh", fileName);
            maximum[k] = scaledCoordinate(double(maximum[k]) / diagonal * size, "OffMesh", fileName);
        }

        publishModel(*this, meshName, minimum, maximum);
    } catch (...) {
        freeModelArrays(*this);
        throw;
    }
}

OffMesh::~OffMesh()
{
    releaseModelMesh(*this);
}
