// Which reader a file is for, told from its first bytes rather than from its name.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

enum class TFileFormat {
    Unknown,  // nothing the viewer reads: binary data, XML of another kind, an empty file
    Mzi,      // XML whose root element is "QUENTARIS"
    MzXml,    // XML whose root element is "mzXML"
    MzMl,     // XML whose root element is "mzML" or "indexedmzML"
    Text,     // text that is not XML: taken for a text spectrum
    Gzip,     // a gzip stream, whatever it holds; not read
};

// How many leading bytes detectFileFormat looks at.
inline constexpr std::size_t formatHeadBytes = 64 * 1024;

// The format of a file from its first bytes. XML is known by its root element, found after a
// byte-order mark, the XML declaration, comments, processing instructions and a document type;
// UTF-16 and UTF-32 are read as well as UTF-8 and 8-bit text. A head that ends before the root
// element, or anything after "<" that is not XML, is Unknown. Text means no NUL or other control
// bytes than blanks and line breaks, and at least one character that is not blank.
TFileFormat detectFormat(std::string_view head);

// detectFormat of the first formatHeadBytes of a regular file. Never blocks: a pipe, a device
// or a folder is refused before it is opened (and opened without waiting, should it be swapped
// for one meanwhile). Unknown too for a path that cannot be read; the reader the caller then
// picks by the name gives the reason.
TFileFormat detectFileFormat(const std::string& path);
