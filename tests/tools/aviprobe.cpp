#include "tools/aviprobe.h"

#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <fstream>
#include <map>
#include <sstream>

namespace lumisk::test {

namespace {

std::uint32_t U16(const std::string& b, std::uint64_t at) {
    return static_cast<std::uint8_t>(b[at]) |
           static_cast<std::uint32_t>(static_cast<std::uint8_t>(b[at + 1])) << 8;
}
std::uint32_t U32(const std::string& b, std::uint64_t at) {
    return U16(b, at) | U16(b, at + 2) << 16;
}
std::uint64_t U64(const std::string& b, std::uint64_t at) {
    return U32(b, at) | std::uint64_t{U32(b, at + 4)} << 32;
}

void Note(std::string& problems, const std::string& text) {
    problems += text + "\n";
}

void ParseChildren(const std::string& b, std::uint64_t pos, std::uint64_t end,
                   std::vector<TChunk>& out, std::string& problems) {
    while (pos + 8 <= end) {
        TChunk c;
        c.Id = b.substr(pos, 4);
        c.Offset = pos;
        c.Size = U32(b, pos + 4);
        if (pos + 8 + c.Size > end) {
            Note(problems, c.Id + " at " + std::to_string(pos) + " overruns its parent");
            return;
        }
        if (c.Id == "RIFF" || c.Id == "LIST") {
            c.Form = b.substr(pos + 8, 4);
            ParseChildren(b, pos + 12, pos + 8 + c.Size, c.Children, problems);
        }
        out.push_back(c);
        pos += 8 + c.Size + (c.Size & 1);
    }
    if (pos != end) Note(problems, "stray bytes at " + std::to_string(pos));
}

void ReadStdIndex(const std::string& b, std::uint64_t at, std::uint32_t bytes,
                  std::uint32_t duration, TAviLayout& a) {
    if (at + bytes > b.size() || b.substr(at, 4) != "ix00" || U32(b, at + 4) + 8 != bytes) {
        Note(a.Problems, "super index entry does not name an ix00 chunk");
        return;
    }
    const std::uint32_t entries = U32(b, at + 12);
    if (U16(b, at + 8) != 2 || b[at + 11] != 1 || b.substr(at + 16, 4) != "00db" ||
        entries != duration || 32 + 8ull * entries > bytes)
        Note(a.Problems, "ix00 header at " + std::to_string(at) + " is wrong");
    const std::uint64_t base = U64(b, at + 20);
    for (std::uint32_t k = 0; k < entries && 32 + 8ull * k + 8 <= bytes; ++k) {
        const std::uint32_t size = U32(b, at + 36 + 8ull * k);
        if (size & 0x80000000u) Note(a.Problems, "ix00 entry not a key frame");
        if ((size & 0x7FFFFFFFu) != a.ImageSize) Note(a.Problems, "ix00 entry size wrong");
        a.StdIndexData.push_back(base + U32(b, at + 32 + 8ull * k));
    }
}

void ReadHeaders(const std::string& b, TAviLayout& a) {
    const TChunk* hdrl = a.Riffs[0].Find("LIST", "hdrl");
    const TChunk* avih = hdrl ? hdrl->Find("avih") : nullptr;
    const TChunk* strl = hdrl ? hdrl->Find("LIST", "strl") : nullptr;
    const TChunk* strh = strl ? strl->Find("strh") : nullptr;
    const TChunk* strf = strl ? strl->Find("strf") : nullptr;
    if (!avih || !strh || !strf || avih->Size < 56 || strh->Size < 56 || strf->Size < 40) {
        Note(a.Problems, "headers missing");
        return;
    }
    std::uint64_t p = avih->Offset + 8;
    a.MicroSecPerFrame = U32(b, p);
    a.Flags = U32(b, p + 12);
    a.AvihFrames = U32(b, p + 16);
    a.Streams = U32(b, p + 24);
    a.Width = U32(b, p + 32);
    a.Height = U32(b, p + 36);
    p = strh->Offset + 8;
    a.Type = b.substr(p, 4);
    a.Handler = b.substr(p + 4, 4);
    a.Scale = U32(b, p + 20);
    a.Rate = U32(b, p + 24);
    a.Length = U32(b, p + 32);
    a.BufferSize = U32(b, p + 36);
    a.Quality = U32(b, p + 40);
    for (int i = 0; i < 4; ++i)
        a.Frame[i] = static_cast<std::int16_t>(U16(b, p + 48 + 2 * i));
    p = strf->Offset + 8;
    a.InfoSize = U32(b, p);
    a.InfoWidth = static_cast<std::int32_t>(U32(b, p + 4));
    a.InfoHeight = static_cast<std::int32_t>(U32(b, p + 8));
    a.Planes = static_cast<std::uint16_t>(U16(b, p + 12));
    a.Bits = static_cast<std::uint16_t>(U16(b, p + 14));
    a.Compression = U32(b, p + 16);
    a.ImageSize = U32(b, p + 20);
    a.ColorsUsed = U32(b, p + 32);

    if (const TChunk* odml = hdrl->Find("LIST", "odml"))
        if (const TChunk* dmlh = odml->Find("dmlh")) a.DmlhFrames = U32(b, dmlh->Offset + 8);
    if (const TChunk* indx = strl->Find("indx")) {
        a.HasSuperIndex = true;
        p = indx->Offset + 8;
        const std::uint32_t used = U32(b, p + 4);
        if (U16(b, p) != 4 || b[p + 3] != 0 || b.substr(p + 8, 4) != "00db" ||
            24 + 16ull * used > indx->Size)
            Note(a.Problems, "indx header is wrong");
        for (std::uint32_t k = 0; k < used && 24 + 16ull * k + 16 <= indx->Size; ++k)
            ReadStdIndex(b, U64(b, p + 24 + 16ull * k), U32(b, p + 32 + 16ull * k),
                         U32(b, p + 36 + 16ull * k), a);
    }
}

void ReadFrames(const std::string& b, TAviLayout& a) {
    for (std::size_t r = 0; r < a.Riffs.size(); ++r) {
        const TChunk& riff = a.Riffs[r];
        if (riff.Id != "RIFF" || riff.Form != (r == 0 ? "AVI " : "AVIX"))
            Note(a.Problems, "RIFF " + std::to_string(r) + " has the wrong form");
        const TChunk* movi = riff.Find("LIST", "movi");
        if (!movi) {
            Note(a.Problems, "RIFF " + std::to_string(r) + " has no movi");
            continue;
        }
        std::uint64_t count = 0;
        for (const TChunk& c : movi->Children) {
            if (c.Id == "00db") {
                if (c.Size != a.ImageSize) Note(a.Problems, "frame chunk of the wrong size");
                a.FrameData.push_back(c.Offset + 8);
                ++count;
            } else if (c.Id != "ix00" && c.Id != "JUNK") {
                Note(a.Problems, "unexpected chunk " + c.Id + " in movi");
            }
        }
        a.FramesPerRiff.push_back(count);
        if (r != 0) continue;
        const TChunk* idx1 = riff.Find("idx1");
        if (!idx1) {
            Note(a.Problems, "no idx1");
            continue;
        }
        for (std::uint64_t p = idx1->Offset + 8; p + 16 <= idx1->Offset + 8 + idx1->Size; p += 16) {
            if (b.substr(p, 4) != "00db" || U32(b, p + 4) != 0x10 || U32(b, p + 12) != a.ImageSize)
                Note(a.Problems, "idx1 entry at " + std::to_string(p) + " is wrong");
            a.Idx1Data.push_back(movi->Offset + 8 + U32(b, p + 8) + 8);
        }
    }
}

} // namespace

const TChunk* TChunk::Find(const std::string& id, const std::string& form) const {
    for (const TChunk& c : Children)
        if (c.Id == id && (form.empty() || c.Form == form)) return &c;
    return nullptr;
}

TAviLayout ReadAviLayout(const std::string& path) {
    TAviLayout a;
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    const std::string b = s.str();
    ParseChildren(b, 0, b.size(), a.Riffs, a.Problems);
    if (a.Riffs.empty()) {
        Note(a.Problems, "no RIFF");
        return a;
    }
    ReadHeaders(b, a);
    ReadFrames(b, a);
    return a;
}

QImage StoredFrame(const std::string& path, const TAviLayout& layout, std::size_t k) {
    if (k >= layout.FrameData.size() || layout.InfoHeight <= 0) return {};
    const int width = layout.InfoWidth, height = layout.InfoHeight;
    const std::size_t row = ((static_cast<std::size_t>(width) * 24 + 31) / 32) * 4;
    std::ifstream in(path, std::ios::binary);
    in.seekg(static_cast<std::streamoff>(layout.FrameData[k]));
    std::string bytes(row * height, '\0');
    if (!in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()))) return {};
    QImage frame(width, height, QImage::Format_BGR888);
    for (int y = 0; y < height; ++y)
        std::copy_n(bytes.data() + row * (height - 1 - y), width * 3,
                    reinterpret_cast<char*>(frame.scanLine(y)));
    return frame;
}

QImage FramePicture(int width, int height, int frame) {
    QImage picture(width, height, QImage::Format_BGR888);
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = picture.scanLine(y);
        for (int x = 0; x < width; ++x) {
            row[3 * x] = static_cast<std::uint8_t>(x * 7 + frame * 13);
            row[3 * x + 1] = static_cast<std::uint8_t>(y * 5 + frame * 3);
            row[3 * x + 2] = static_cast<std::uint8_t>(x + y + frame * 29);
        }
    }
    return picture;
}

bool HaveFfmpeg() {
    return !QStandardPaths::findExecutable("ffprobe").isEmpty() &&
           !QStandardPaths::findExecutable("ffmpeg").isEmpty();
}

std::string RunTool(const std::string& program, const std::vector<std::string>& args,
                    std::string* errors) {
    QStringList list;
    for (const std::string& a : args)
        list << QString::fromStdString(a);
    QProcess process;
    process.start(QString::fromStdString(program), list);
    process.waitForFinished(-1);
    if (errors) *errors = process.readAllStandardError().toStdString();
    return process.readAllStandardOutput().toStdString();
}

TProbe FfProbe(const std::string& path) {
    const std::string out =
        RunTool("ffprobe", {"-v", "error", "-count_frames", "-show_entries",
                            "format=nb_streams:stream=codec_name,pix_fmt,width,height,r_frame_rate,"
                            "nb_read_frames",
                            "-of", "default=noprint_wrappers=1", path});
    std::map<std::string, std::string> fields;
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);)
        if (auto eq = line.find('='); eq != std::string::npos)
            fields[line.substr(0, eq)] = line.substr(eq + 1);
    TProbe p;
    auto number = [&](const char* key) {
        return fields.count(key) ? std::atol(fields[key].c_str()) : -1L;
    };
    p.Streams = static_cast<int>(number("nb_streams"));
    p.Codec = fields["codec_name"];
    p.PixelFormat = fields["pix_fmt"];
    p.Rate = fields["r_frame_rate"];
    p.Width = static_cast<int>(number("width"));
    p.Height = static_cast<int>(number("height"));
    p.Frames = number("nb_read_frames");
    return p;
}

std::string FfmpegErrors(const std::string& path) {
    std::string errors;
    RunTool("ffmpeg", {"-nostdin", "-v", "error", "-i", path, "-f", "null", "-"}, &errors);
    return errors;
}

QImage FfmpegFrame(const std::string& path, int k, int width, int height) {
    const std::string raw =
        RunTool("ffmpeg", {"-nostdin", "-v", "error", "-i", path, "-vf",
                           "select=eq(n\\," + std::to_string(k) + ")", "-vsync", "passthrough",
                           "-frames:v", "1", "-f", "rawvideo", "-pix_fmt", "bgr24", "-"});
    if (raw.size() != static_cast<std::size_t>(width) * height * 3) return {};
    QImage frame(width, height, QImage::Format_BGR888);
    for (int y = 0; y < height; ++y)
        std::copy_n(raw.data() + static_cast<std::size_t>(y) * width * 3, width * 3,
                    reinterpret_cast<char*>(frame.scanLine(y)));
    return frame;
}

} // namespace lumisk::test
