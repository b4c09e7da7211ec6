#include "assets/PlyMesh.h"

#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "assets/ModelMesh.h"
#include "assets/util/plyfile/plyfile.h"

namespace {

struct PlyVertex {
    float x, y, z;
};

struct PlyFace {
    unsigned char intensity;
    unsigned char nverts;
    int* verts;
};

// What the reader hands out, freed however the reading ends (a fatal handler
// may throw through it).
struct ReaderCloser {
    void operator()(PlyReader* reader) const { ply_close(reader); }
};
struct ElementNames {
    char** names;
    int count;
    ~ElementNames() { ply_free_names(names, count); }
};
struct Properties {
    PlyPropertyDecl** list = nullptr;
    int count = 0;
    ~Properties() { ply_free_properties(list, count); }
};
struct FaceRecord {
    PlyFace face{};
    ~FaceRecord() { std::free(face.verts); }
};

bool declares(const Properties& properties, const char* name)
{
    for (int i = 0; i < properties.count; ++i)
        if (std::strcmp(properties.list[i]->name, name) == 0) return true;
    return false;
}

bool isModelElement(const char* name) { return std::strcmp(name, "vertex") == 0 || std::strcmp(name, "face") == 0; }

void readVertices(PlyReader* reader, int count, std::vector<float>& coordinates)
{
    if (count > MAX_MODEL_VERTICES)
        ply_fatal("readPlyFile: %d vertices, more than 16-bit indices address\n", count);
    const PlyPropertyDecl x = ply_scalar_request("x", PLY_FLOAT, offsetof(PlyVertex, x));
    const PlyPropertyDecl y = ply_scalar_request("y", PLY_FLOAT, offsetof(PlyVertex, y));
    const PlyPropertyDecl z = ply_scalar_request("z", PLY_FLOAT, offsetof(PlyVertex, z));
    ply_request_property(reader, "vertex", &x);
    ply_request_property(reader, "vertex", &y);
    ply_request_property(reader, "vertex", &z);
    for (int i = 0; i < count; ++i) {
        PlyVertex vertex{};
        ply_get_element(reader, &vertex);
        coordinates.insert(coordinates.end(), {vertex.x, vertex.y, vertex.z});
    }
}

void readFaces(PlyReader* reader, int count, const Properties& properties, std::vector<int>& indices)
{
    if (count > MAX_MODEL_FACES) ply_fatal("readPlyFile: %d faces, more than %d\n", count, MAX_MODEL_FACES);
    const PlyPropertyDecl intensity = ply_scalar_request("intensity", PLY_UCHAR, offsetof(PlyFace, intensity));
    const PlyPropertyDecl vertexIndices =
        ply_list_request("vertex_indices", PLY_INT, offsetof(PlyFace, verts), PLY_UCHAR, offsetof(PlyFace, nverts));
    ply_request_property(reader, "face", &intensity);
    ply_request_property(reader, "face", &vertexIndices);
    // Without it no face record would get its index pointer.
    if (!declares(properties, "vertex_indices"))
        ply_fatal("readPlyFile: element 'face' has no list 'vertex_indices'\n");
    for (int i = 0; i < count; ++i) {
        FaceRecord record;
        ply_get_element(reader, &record.face);
        if (record.face.nverts == 3) {
            indices.insert(indices.end(), record.face.verts, record.face.verts + 3);
        } else {
            std::printf("Too many faces: %d!\n", record.face.nverts);
            indices.insert(indices.end(), {0, 0, 0});
        }
    }
}

void readModel(PlyReader* openReader, int numElements, char** elementNames, int fileType, float version,
               int& numVertices, float*& vertices, int& numFaces, unsigned short*& faces)
{
    std::unique_ptr<PlyReader, ReaderCloser> reader(openReader);
    const ElementNames names{elementNames, numElements};
    std::printf("version %f\n", version);
    std::printf("type %d\n", fileType);

    // Elements other than the vertices and the faces are not read, except
    // where they come before one of those in the data: skipping their
    // instances then keeps the later data in step.
    int lastModelElement = -1;
    for (int i = 0; i < numElements; ++i)
        if (isModelElement(names.names[i])) lastModelElement = i;

    std::vector<float> coordinates;
    std::vector<int> indices;
    bool haveVertices = false, haveFaces = false;
    for (int i = 0; i < numElements; ++i) {
        const char* name = names.names[i];
        Properties properties;
        int count = 0;
        properties.list = ply_describe_element(reader.get(), name, &count, &properties.count);
        std::printf("element %s %d\n", name, count);
        if (std::strcmp(name, "vertex") == 0 || std::strcmp(name, "face") == 0) {
            // A second one would be read with the first one's layout.
            bool& seen = name[0] == 'v' ? haveVertices : haveFaces;
            if (seen) ply_fatal("readPlyFile: more than one element '%s'\n", name);
            seen = true;
            if (name[0] == 'v')
                readVertices(reader.get(), count, coordinates);
            else
                readFaces(reader.get(), count, properties, indices);
        } else if (i < lastModelElement) {
            // Nothing of it is stored. Its own count: a name two elements share
            // describes only the first of them.
            reader->currentElement = reader->elements[i];
            char nothing = 0;
            for (int k = 0; k < reader->elements[i]->count; ++k) ply_get_element(reader.get(), &nothing);
        }
    }

    // Faces may come before the vertices, so the indices are checked once both are in.
    const int vertexCount = int(coordinates.size() / 3);
    for (std::size_t i = 0; i < indices.size(); ++i)
        if (indices[i] < 0 || indices[i] >= vertexCount)
            ply_fatal("readPlyFile: face %d refers to vertex %d of %d\n", int(i / 3), indices[i], vertexCount);

    for (int i = 0; i < reader->numComments; ++i) std::printf("comment = '%s'\n", reader->comments[i]);
    for (int i = 0; i < reader->numObjInfo; ++i) std::printf("obj_info = '%s'\n", reader->objInfo[i]);

    std::unique_ptr<float[]> vertexArray;
    std::unique_ptr<unsigned short[]> faceArray;
    if (haveVertices) {
        vertexArray.reset(new float[coordinates.size()]);
        std::copy(coordinates.begin(), coordinates.end(), vertexArray.get());
    }
    if (haveFaces) {
        faceArray.reset(new unsigned short[indices.size()]);
        for (std::size_t i = 0; i < indices.size(); ++i) faceArray[i] = (unsigned short)indices[i];
    }
    if (haveVertices) {
        numVertices = vertexCount;
        vertices = vertexArray.release();
    }
    if (haveFaces) {
        numFaces = int(indices.size() / 3);
        faces = faceArray.release();
    }
}

}  // namespace

void readPlyFile(const std::string& fileName, int& numVertices, float*& vertices, int& numFaces,
                 unsigned short*& faces)
{
    int numElements = 0, fileType = 0;
    char** names = nullptr;
    float version = 0.0f;
    PlyReader* reader = ply_open_read(fileName.c_str(), &numElements, &names, &fileType, &version);
    if (!reader) return;
    readModel(reader, numElements, names, fileType, version, numVertices, vertices, numFaces, faces);
}

void readPlyStream(std::FILE* fp, int& numVertices, float*& vertices, int& numFaces, unsigned short*& faces)
{
    int numElements = 0, fileType = 0;
    char** names = nullptr;
    float version = 0.0f;
    PlyReader* reader = ply_read_stream(fp, &numElements, &names, &fileType, &version);
    if (!reader) return;
    readModel(reader, numElements, names, fileType, version, numVertices, vertices, numFaces, faces);
}

PlyMesh::PlyMesh(const std::string& meshName, const std::string& fileName, float scale)
{
    try {
        try {
            readPlyFile(fileName, mNumVertices, mVertices, mNumFaces, mFaces);
        } catch (const std::bad_alloc&) {
            refuseModel("PlyMesh", fileName, "out of memory while reading");
        }
        if (mNumVertices == 0) refuseModel("PlyMesh", fileName, "no vertex read");
        if (mNumFaces == 0) refuseModel("PlyMesh", fileName, "no face read");

        for (int i = 0; i < 3 * mNumVertices; ++i)
            mVertices[i] = scaledCoordinate(double(mVertices[i]) * scale, "PlyMesh", fileName);
        float minimum[3], maximum[3];
        vertexBounds(mVertices, std::uint32_t(mNumVertices), minimum, maximum);

        publishModel(*this, meshName, minimum, maximum);
    } catch (...) {
        freeModelArrays(*this);
        throw;
    }
}

PlyMesh::~PlyMesh()
{
    releaseModelMesh(*this);
}
