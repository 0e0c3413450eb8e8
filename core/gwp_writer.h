// Writing a drawing as a ".gwp" file (the layout is in gwp_format.h).
#pragma once

#include <ostream>
#include <string>

class CArtDoc;

// The bytes of the document as a ".gwp" file.
std::string GwpSerialize(const CArtDoc& doc);
// The same bytes written to os a frame at a time; os's state tells whether
// they all went out.
void GwpWrite(std::ostream& os, const CArtDoc& doc);

// Writes the drawing to a ".gwp" file without ever damaging the previous one,
// and clears the document's modified flag. On failure returns false with the
// reason in *pError; the modified flag keeps its value.
bool GwpSaveDocument(CArtDoc& doc, const std::string& strPath, std::string* pError = nullptr);
