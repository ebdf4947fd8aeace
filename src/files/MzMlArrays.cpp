// The decoding of an mzML element's binary arrays: Base64, zlib, MS-Numpress, little-endian
// floats and integers, each bounded so that a lying length cannot exhaust the memory.
#include "files/MzMlArrays.h"

#include <zlib.h>
#include <MSNumpress.hpp>

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <optional>
#include <stdexcept>

#include "files/Inflate.h"
#include "files/MessageNumbers.h"

namespace mzml {

namespace {

// The most bytes one array may decode or inflate to (32 M values of 64 bits), so that a zlib
// bomb or a lying array length cannot exhaust the memory.
constexpr std::size_t maxArrayBytes = std::size_t(256) << 20;

enum class TArrayKind { Other, Mz, Intensity, Time };
enum class TValueType { Unstated, Float32, Float64, Int32, Int64 };
enum class TNumpress { None, Linear, Pic, Slof };

struct TArray {
    TArrayKind kind = TArrayKind::Other;
    TValueType type = TValueType::Unstated;
    bool zlib = false;
    TNumpress numpress = TNumpress::None;
    std::string_view unknownCompression;      // accession of a compression not read
    std::string_view unknownCompressionName;  // and its name
    std::string_view unknownType;             // accession of a data type not read
    std::string_view timeUnit;
    std::optional<long long> arrayLength;
    std::size_t from = 0, to = 0;  // the Base64 text
};

void applyArrayParam(TArray& array, std::string_view accession, std::string_view name,
                     std::string_view unit) {
    const std::string_view a = accession.starts_with("MS:") ? accession.substr(3) : "";
    if (a == "1000514") {
        array.kind = TArrayKind::Mz;
    } else if (a == "1000515") {
        array.kind = TArrayKind::Intensity;
    } else if (a == "1000595") {
        array.kind = TArrayKind::Time;
        array.timeUnit = unit;
    } else if (a == "1000521") {
        array.type = TValueType::Float32;
    } else if (a == "1000523") {
        array.type = TValueType::Float64;
    } else if (a == "1000519") {
        array.type = TValueType::Int32;
    } else if (a == "1000522") {
        array.type = TValueType::Int64;
    } else if (a == "1000520") {
        array.unknownType = accession;  // 16-bit float
    } else if (a == "1000576") {
        // no compression
    } else if (a == "1000574") {
        array.zlib = true;
    } else if (a == "1002312" || a == "1002746") {
        array.numpress = TNumpress::Linear;
        array.zlib = array.zlib || a == "1002746";
    } else if (a == "1002313" || a == "1002747") {
        array.numpress = TNumpress::Pic;
        array.zlib = array.zlib || a == "1002747";
    } else if (a == "1002314" || a == "1002748") {
        array.numpress = TNumpress::Slof;
        array.zlib = array.zlib || a == "1002748";
    } else {
        // Any other compression term (the truncation terms MS:1003088 to MS:1003090 among
        // them) changes the bytes in a way this reader does not undo.
        std::string lower(name);
        for (char& c : lower)
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        const bool truncation = a == "1003088" || a == "1003089" || a == "1003090";
        if ((truncation || lower.find("compression") != npos) && array.unknownCompression.empty()) {
            array.unknownCompression = accession;
            array.unknownCompressionName = name;
        }
    }
}

// An element's binary arrays, read from the end of its head; what() of errors is composed by
// the caller.
struct TArrays {
    std::vector<TArray> arrays;
    bool cut = false;  // the text ends inside them
};

TArrays readArrays(std::string_view text, std::size_t pos, std::string_view name,
                   const TGroups& groups) {
    const std::string_view endTag = name == "<spectrum" ? "</spectrum" : "</chromatogram";
    TArrays out;
    std::optional<std::size_t> encodedLength;
    TArray* current = nullptr;
    while ((pos = nextTag(text, pos)) != npos) {
        if (isTag(text, pos, "<binaryDataArray")) {
            out.arrays.emplace_back();
            current = &out.arrays.back();
            encodedLength.reset();
            TStartTag tag(text, pos, 16);
            while (const auto a = tag.next()) {
                if (a->first == "encodedLength")
                    encodedLength = encodedLengthOf(a->second);
                else if (a->first == "arrayLength")
                    current->arrayLength = integerOf(a->second);
            }
            pos = tag.skipRest();
            if (pos == npos) break;
        } else if (current && isTag(text, pos, "<cvParam")) {
            const TParamTag param = readParamTag(text, pos);
            applyArrayParam(*current, param.accession, param.name, param.unit);
            ++pos;
        } else if (current && isTag(text, pos, "<referenceableParamGroupRef")) {
            if (const auto g = groups.find(groupRefAt(text, pos)); g != groups.end())
                for (const TMzMlParam& param : g->second)
                    applyArrayParam(*current, param.accession, {}, param.unitAccession);
            ++pos;
        } else if (current && isTag(text, pos, "<binary")) {
            TStartTag tag(text, pos, 7);
            const std::size_t content = tag.skipRest();
            if (content == npos) break;
            current->from = current->to = content;
            pos = content;
            if (tag.isEmptyElement()) continue;
            current->to = binaryEnd(text, content, encodedLength);
            if (current->to == npos) break;
            pos = current->to + binaryClose.size();
        } else if (isTag(text, pos, endTag) || isElementBoundary(text, pos)) {
            return out;
        } else {
            ++pos;
        }
    }
    out.cut = true;
    return out;
}

// Raised by the decoding steps with what went wrong; the caller names the array and element.
struct TDecodeFault {
    std::string what;
};

constexpr std::array<std::int8_t, 256> base64Values = [] {
    std::array<std::int8_t, 256> values{};
    values.fill(-1);
    constexpr std::string_view alphabet =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    for (std::size_t i = 0; i < alphabet.size(); ++i)
        values[static_cast<unsigned char>(alphabet[i])] = static_cast<std::int8_t>(i);
    return values;
}();

// Strict Base64: blanks and line breaks are passed over, padding only at the end.
std::vector<std::uint8_t> base64Bytes(std::string_view text) {
    std::vector<std::uint8_t> out(text.size() / 4 * 3 + 3);
    std::uint8_t* o = out.data();
    std::uint32_t group = 0;
    int held = 0;
    int padding = 0;
    for (const char c : text) {
        const std::int8_t v = base64Values[static_cast<unsigned char>(c)];
        if (v < 0) {
            if (isBlank(c)) continue;
            if (c != '=') throw TDecodeFault{"is not Base64"};
            ++padding;
            continue;
        }
        if (padding > 0) throw TDecodeFault{"is not Base64"};
        group = (group << 6) | static_cast<std::uint32_t>(v);
        if (++held == 4) {
            *o++ = static_cast<std::uint8_t>(group >> 16);
            *o++ = static_cast<std::uint8_t>(group >> 8);
            *o++ = static_cast<std::uint8_t>(group);
            held = 0;
            group = 0;
        }
    }
    if (held == 1 || padding > 2 || (padding > 0 && held + padding != 4))
        throw TDecodeFault{"is not Base64 (it ends inside a group)"};
    if (held == 2) {
        *o++ = static_cast<std::uint8_t>(group >> 4);
    } else if (held == 3) {
        *o++ = static_cast<std::uint8_t>(group >> 10);
        *o++ = static_cast<std::uint8_t>(group >> 2);
    }
    out.resize(static_cast<std::size_t>(o - out.data()));
    return out;
}

// Inflates a zlib stream to at most limit bytes; a longer output is a fault, not cut. The
// output grows as it arrives (a lying length costs no memory up front).
std::vector<std::uint8_t> inflated(const std::vector<std::uint8_t>& compressed, std::size_t limit) {
    TInflated result =
        inflateBounded(compressed, limit, std::max<std::size_t>(compressed.size() * 8, 1 << 16));
    switch (result.fault) {
        case TInflated::TFault::None:
            break;
        case TInflated::TFault::Start:
            throw TDecodeFault{"cannot be inflated"};
        case TInflated::TFault::NotZlib:
            throw TDecodeFault{"is not valid zlib data"};
        case TInflated::TFault::Cut:
            throw TDecodeFault{"ends before its zlib stream does"};
    }
    if (result.bytes.size() > limit)
        throw TDecodeFault{"inflates to more than the " + groupedDigits(limit) +
                           " bytes its length allows"};
    return std::move(result.bytes);
}

// The most bytes an MS-Numpress stream of count values can take: linear and pic store a value
// in at most nine half-bytes (linear after a 16-byte start), slof in two bytes after 8.
std::size_t numpressBound(TNumpress numpress, std::size_t count) {
    switch (numpress) {
        case TNumpress::Linear:
            return 16 + 5 * count;
        case TNumpress::Pic:
            return 8 + 5 * count;
        case TNumpress::Slof:
            return 8 + 2 * count;
        case TNumpress::None:
            break;
    }
    return 0;
}

std::size_t valueBytes(TValueType type) {
    return type == TValueType::Float32 || type == TValueType::Int32 ? 4 : 8;
}

template <class TBits>
TBits littleEndian(const std::uint8_t* b) {
    TBits bits = 0;
    for (std::size_t i = sizeof(TBits); i-- > 0;) bits = static_cast<TBits>((bits << 8) | b[i]);
    return bits;
}

std::vector<double> numpressDecoded(TNumpress numpress, const std::vector<std::uint8_t>& bytes) {
    namespace np = ms::numpress::MSNumpress;
    if (bytes.empty()) return {};
    // The library writes up to two values per input byte for linear and pic, one per two bytes
    // for slof; the room is given uninitialised and only what it wrote is copied.
    const std::size_t room = 2 * bytes.size() + 16;
    const std::unique_ptr<double[]> values(new double[room]);
    // A few zero bytes beyond the data, should a corrupt stream make the library look ahead.
    std::vector<std::uint8_t> padded(bytes.size() + 16, 0);
    std::memcpy(padded.data(), bytes.data(), bytes.size());
    std::size_t n = 0;
    try {
        switch (numpress) {
            case TNumpress::Linear:
                if (bytes.size() < 8)
                    throw TDecodeFault{"is too short for MS-Numpress linear data"};
                n = np::decodeLinear(padded.data(), bytes.size(), values.get());
                break;
            case TNumpress::Pic:
                n = np::decodePic(padded.data(), bytes.size(), values.get());
                break;
            case TNumpress::Slof:
                if (bytes.size() < 8 || bytes.size() % 2 != 0)
                    throw TDecodeFault{"is not MS-Numpress slof data (length)"};
                n = np::decodeSlof(padded.data(), bytes.size(), values.get());
                break;
            case TNumpress::None:
                break;
        }
    } catch (const char* what) {
        throw TDecodeFault{std::string("is not valid MS-Numpress data (") + what + ")"};
    }
    if (n > room) throw TDecodeFault{"is not valid MS-Numpress data"};
    return std::vector<double>(values.get(), values.get() + n);
}

// The values of one array: exactly count of them, or a fault.
std::vector<double> arrayValues(std::string_view text, const TArray& array, std::size_t count) {
    const std::vector<std::uint8_t> encoded =
        base64Bytes(text.substr(array.from, array.to - array.from));
    if (count > maxArrayBytes)
        throw TDecodeFault{"states " + groupedDigits(count) +
                           " values, more than an array may hold"};
    std::size_t expectedBytes = 0;
    if (array.numpress != TNumpress::None) {
        expectedBytes = numpressBound(array.numpress, count);
    } else {
        if (array.type == TValueType::Unstated) throw TDecodeFault{"states no data type"};
        expectedBytes =
            count > maxArrayBytes / 8 ? maxArrayBytes + 1 : count * valueBytes(array.type);
    }
    if (expectedBytes > maxArrayBytes)
        throw TDecodeFault{"is longer than " + groupedDigits(maxArrayBytes) + " bytes"};
    std::vector<std::uint8_t> bytes = array.zlib ? inflated(encoded, expectedBytes) : encoded;

    std::vector<double> values;
    if (array.numpress != TNumpress::None) {
        if (bytes.size() > expectedBytes)
            throw TDecodeFault{"holds more MS-Numpress bytes than " + groupedDigits(count) +
                               " values can take"};
        values = numpressDecoded(array.numpress, bytes);
    } else {
        const std::size_t width = valueBytes(array.type);
        if (bytes.size() % width != 0)
            throw TDecodeFault{"decodes to " + groupedDigits(bytes.size()) +
                               " bytes, not a whole number of values"};
        values.resize(bytes.size() / width);
        const std::uint8_t* b = bytes.data();
        for (double& v : values) {
            switch (array.type) {
                case TValueType::Float32:
                    v = std::bit_cast<float>(littleEndian<std::uint32_t>(b));
                    break;
                case TValueType::Float64:
                    v = std::bit_cast<double>(littleEndian<std::uint64_t>(b));
                    break;
                case TValueType::Int32:
                    v = static_cast<double>(
                        static_cast<std::int32_t>(littleEndian<std::uint32_t>(b)));
                    break;
                case TValueType::Int64:
                    v = static_cast<double>(
                        static_cast<std::int64_t>(littleEndian<std::uint64_t>(b)));
                    break;
                case TValueType::Unstated:
                    break;
            }
            b += width;
        }
    }
    if (values.size() != count)
        throw TDecodeFault{"holds " + groupedDigits(values.size()) + " values, " +
                           groupedDigits(count) + " expected"};
    return values;
}

const char* arrayName(TArrayKind kind) {
    switch (kind) {
        case TArrayKind::Mz:
            return "m/z array";
        case TArrayKind::Intensity:
            return "intensity array";
        case TArrayKind::Time:
            return "time array";
        case TArrayKind::Other:
            break;
    }
    return "array";
}

}  // namespace

std::vector<TFloatPointRec> arrayPairs(std::string_view t, std::size_t from,
                                       std::string_view name, const TGroups& groups,
                                       long long defaultLength, bool timeX) {
    const auto fail = [](const std::string& fault) { throw TArrayFault{fault}; };
    const TArrayKind xKind = timeX ? TArrayKind::Time : TArrayKind::Mz;
    const TArrays arrays = from == npos ? TArrays{} : readArrays(t, from, name, groups);
    if (arrays.cut) fail("the file ends inside it");

    std::vector<double> xs, ys;
    bool hasX = false, hasY = false;
    for (const TArray& array : arrays.arrays) {
        if (array.kind != xKind && array.kind != TArrayKind::Intensity) continue;
        std::vector<double>& values = array.kind == xKind ? xs : ys;
        (array.kind == xKind ? hasX : hasY) = true;
        const std::string arrayWhat = std::string("its ") + arrayName(array.kind);
        if (!array.unknownCompression.empty())
            fail(arrayWhat + " uses the compression " + std::string(array.unknownCompression) +
                 (array.unknownCompressionName.empty()
                      ? std::string()
                      : " (" + std::string(array.unknownCompressionName) + ")") +
                 ", which cannot be decoded");
        if (!array.unknownType.empty() && array.numpress == TNumpress::None)
            fail(arrayWhat + " uses the data type " + std::string(array.unknownType) +
                 ", which cannot be decoded");
        const long long count = array.arrayLength.value_or(defaultLength);
        if (count < 0) fail(arrayWhat + " states a negative length");
        try {
            values = arrayValues(t, array, static_cast<std::size_t>(count));
        } catch (const TDecodeFault& f) {
            fail(arrayWhat + " " + f.what);
        }
        if (array.kind == TArrayKind::Time) {
            const auto scale = secondsPerUnit(array.timeUnit);
            if (!scale)
                fail(arrayWhat + " has the unit " + std::string(array.timeUnit) + ", not a time");
            if (*scale != 1.0)
                for (double& v : values) v *= *scale;
        }
    }
    if (!hasX && defaultLength > 0) fail(std::string("it has no ") + arrayName(xKind));
    if (!hasY && defaultLength > 0) fail("it has no intensity array");
    if (xs.size() != ys.size())
        fail("its arrays hold " + groupedDigits(xs.size()) + " and " + groupedDigits(ys.size()) +
             " values");
    std::vector<TFloatPointRec> points;
    points.reserve(xs.size());
    for (std::size_t i = 0; i < xs.size(); ++i)
        if (std::isfinite(xs[i]) && std::isfinite(ys[i])) points.push_back({xs[i], ys[i]});
    return points;
}

}  // namespace mzml
