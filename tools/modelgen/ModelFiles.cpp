#include "ModelFiles.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <stdexcept>

namespace {

std::ofstream openFile(const std::string& path, std::ios::openmode mode = std::ios::out)
{
    std::ofstream out(path, mode | std::ios::trunc);
    if (!out) throw std::runtime_error("cannot write " + path);
    return out;
}

void finish(std::ofstream& out, const std::string& path)
{
    out.close();
    if (!out) throw std::runtime_error("cannot write " + path);
}

std::string floats(const Vec3& v)
{
    char line[96];
    std::snprintf(line, sizeof line, "%.7g %.7g %.7g", double(float(v.x)), double(float(v.y)), double(float(v.z)));
    return line;
}

std::string plyHeader(const char* format, const TriangleMesh& mesh, const PlyTexts& texts, bool intensity)
{
    std::string h = std::string("ply\nformat ") + format + " 1.0\n";
    for (const std::string& c : texts.comments) h += "comment " + c + "\n";
    for (const std::string& o : texts.objInfo) h += "obj_info " + o + "\n";
    h += "element vertex " + std::to_string(mesh.vertices.size()) + "\n";
    h += "property float x\nproperty float y\nproperty float z\n";
    h += "element face " + std::to_string(mesh.triangles.size()) + "\n";
    h += "property list uchar int vertex_indices\n";
    if (intensity) h += "property uchar intensity\n";
    return h + "end_header\n";
}

template <class T>
void putLittleEndian(std::ofstream& out, T value)
{
    unsigned char bytes[sizeof(T)];
    std::uint64_t bits = 0;
    static_assert(sizeof(T) <= sizeof bits);
    std::memcpy(&bits, &value, sizeof(T));
    for (std::size_t i = 0; i < sizeof(T); ++i) bytes[i] = static_cast<unsigned char>(bits >> (8 * i));
    out.write(reinterpret_cast<const char*>(bytes), sizeof bytes);
}

}  // namespace

void writeOff(const std::string& path, const TriangleMesh& mesh)
{
    std::ofstream out = openFile(path);
    out << "OFF\n" << mesh.vertices.size() << " " << mesh.triangles.size() << " " << 3 * mesh.triangles.size() / 2
        << "\n";
    for (const Vec3& v : mesh.vertices) out << floats(v) << "\n";
    for (const Triangle& t : mesh.triangles) out << "3 " << t[0] << " " << t[1] << " " << t[2] << "\n";
    finish(out, path);
}

void writeAsciiPly(const std::string& path, const TriangleMesh& mesh, const PlyTexts& texts)
{
    std::ofstream out = openFile(path);
    out << plyHeader("ascii", mesh, texts, false);
    for (const Vec3& v : mesh.vertices) out << floats(v) << "\n";
    for (const Triangle& t : mesh.triangles) out << "3 " << t[0] << " " << t[1] << " " << t[2] << "\n";
    finish(out, path);
}

void writeBinaryPlyWithIntensity(const std::string& path, const TriangleMesh& mesh)
{
    std::ofstream out = openFile(path, std::ios::out | std::ios::binary);
    out << plyHeader("binary_little_endian", mesh, PlyTexts{}, true);
    for (const Vec3& v : mesh.vertices) {
        putLittleEndian(out, float(v.x));
        putLittleEndian(out, float(v.y));
        putLittleEndian(out, float(v.z));
    }
    for (const Triangle& t : mesh.triangles) {
        putLittleEndian(out, std::uint8_t(3));
        for (int k = 0; k < 3; ++k) putLittleEndian(out, std::int32_t(t[k]));
        const double up = normalised(areaNormal(mesh, t)).y;
        putLittleEndian(out, std::uint8_t(std::lround(127.5 + 127.5 * up)));
    }
    finish(out, path);
}
