// The .mzi document: reading a file into the typed element tree and starting a new one.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "files/MziTypes.h"

// Namespace of the documents we write; on reading any default namespace, or none, is accepted.
inline constexpr char mziNamespace[] = "http://velmorix.org/MZI.xsd";

// Parses a .mzi file: UTF-8, UTF-16 or UTF-32 as XML tells them apart, or the 8-bit text of
// earlier versions (Windows-1252). Throws EMziError when the file is not a regular file or cannot
// be read, is not well-formed XML (positions in messages count lines and characters) or its root
// element is not "QUENTARIS". The returned root keeps the whole document alive.
TXMLQUENTARISType loadQUENTARIS(const std::filesystem::path& fileName);

// The same from bytes already in memory; sourceName, when given, names them in messages.
TXMLQUENTARISType parseQUENTARIS(std::string_view text, std::string_view sourceName = {});

// An empty document: a "QUENTARIS" root in the document namespace.
TXMLQUENTARISType newQUENTARIS();
