#pragma once

#include <string>
#include <utility>
#include <vector>

namespace orvane::testing {

using ZipMembers = std::vector<std::pair<std::string, std::string>>;

// A real ZIP package written by libzip, as office programs write DOCX and XLSX files.
std::string zipBytes(const ZipMembers& members);

// A minimal Word document: paragraphs as (style, text), "" for no style.
std::string docxBytes(const std::vector<std::pair<std::string, std::string>>& paragraphs,
                      const std::string& author);
// A workbook whose first sheet holds `rows`; strings go through the shared-string table.
std::string xlsxBytes(const std::vector<std::vector<std::string>>& rows);

// A one-page PDF with a text layer (Helvetica lines) and document information.
std::string textPdf(const std::vector<std::string>& lines, const std::string& title,
                    const std::string& author, const std::string& creationDate);
// A one-page PDF whose only content is a grey image: a scan without text layer.
std::string imagePdf(const std::string& grayPixels, int width, int height);
// A PDF that asks for a password nobody knows.
std::string encryptedPdf();

// Black text on white, drawn large enough for text recognition: 8-bit grey pixels.
std::string renderTextGray(const std::vector<std::string>& lines, int width, int height);
// The same drawing as a PNG file's bytes.
std::string renderTextPng(const std::vector<std::string>& lines, int width, int height);

// `text` in the named charset, through ICU.
std::string encodeAs(const std::string& utf8, const char* charset);

}  // namespace orvane::testing
