#include "DocumentFixtures.h"

#include <unicode/ucnv.h>
#include <unicode/ustring.h>
#include <zip.h>

#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>
#include <stdexcept>

namespace orvane::testing {

std::string zipBytes(const ZipMembers& members) {
    zip_error_t err;
    zip_error_init(&err);
    zip_source_t* buffer = zip_source_buffer_create(nullptr, 0, 0, &err);
    zip_t* z = zip_open_from_source(buffer, ZIP_TRUNCATE, &err);
    if (!z) throw std::runtime_error("zip_open_from_source");
    zip_source_keep(buffer);
    for (const auto& [name, content] : members) {
        zip_source_t* s = zip_source_buffer(z, content.data(), content.size(), 0);
        if (zip_file_add(z, name.c_str(), s, ZIP_FL_OVERWRITE) < 0) throw std::runtime_error(name);
    }
    if (zip_close(z) != 0) throw std::runtime_error("zip_close");
    zip_stat_t st;
    zip_source_stat(buffer, &st);
    std::string out(st.size, '\0');
    zip_source_open(buffer);
    zip_source_read(buffer, out.data(), out.size());
    zip_source_close(buffer);
    zip_source_free(buffer);
    return out;
}

std::string docxBytes(const std::vector<std::pair<std::string, std::string>>& paragraphs,
                      const std::string& author) {
    std::string body;
    for (const auto& [style, text] : paragraphs) {
        body += "<w:p>";
        if (!style.empty()) body += "<w:pPr><w:pStyle w:val=\"" + style + "\"/></w:pPr>";
        // Word splits text into runs; the reader must join them.
        const std::size_t half = text.size() / 2;
        body += "<w:r><w:t xml:space=\"preserve\">" + text.substr(0, half) + "</w:t></w:r>";
        body += "<w:r><w:rPr><w:b/></w:rPr><w:t>" + text.substr(half) + "</w:t></w:r>";
        body += "</w:p>";
    }
    const std::string document =
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>"
        "<w:document xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\">"
        "<w:body>" +
        body + "</w:body></w:document>";
    const std::string core =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
        "<cp:coreProperties xmlns:cp=\"http://schemas.openxmlformats.org/package/2006/"
        "metadata/core-properties\" xmlns:dc=\"http://purl.org/dc/elements/1.1/\">"
        "<dc:creator>" +
        author + "</dc:creator></cp:coreProperties>";
    return zipBytes({{"[Content_Types].xml", "<Types/>"},
                     {"word/document.xml", document},
                     {"docProps/core.xml", core}});
}

std::string xlsxBytes(const std::vector<std::vector<std::string>>& rows) {
    std::vector<std::string> shared;
    std::string sheet =
        "<?xml version=\"1.0\"?><worksheet "
        "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><sheetData>";
    for (std::size_t r = 0; r < rows.size(); ++r) {
        sheet += "<row r=\"" + std::to_string(r + 1) + "\">";
        for (std::size_t c = 0; c < rows[r].size(); ++c) {
            const std::string ref =
                std::string(1, static_cast<char>('A' + c)) + std::to_string(r + 1);
            const std::string& v = rows[r][c];
            if (v.empty()) continue;
            const bool number = v.find_first_not_of("0123456789.") == std::string::npos;
            if (number) {
                sheet += "<c r=\"" + ref + "\"><v>" + v + "</v></c>";
            } else {
                sheet +=
                    "<c r=\"" + ref + "\" t=\"s\"><v>" + std::to_string(shared.size()) + "</v></c>";
                shared.push_back(v);
            }
        }
        sheet += "</row>";
    }
    sheet += "</sheetData></worksheet>";
    std::string sst =
        "<?xml version=\"1.0\"?><sst xmlns=\"http://schemas.openxmlformats.org/"
        "spreadsheetml/2006/main\">";
    for (const auto& s : shared) sst += "<si><t>" + s + "</t></si>";
    sst += "</sst>";
    const std::string workbook =
        "<?xml version=\"1.0\"?><workbook xmlns=\"http://schemas.openxmlformats.org/"
        "spreadsheetml/2006/main\" xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/"
        "2006/relationships\"><sheets><sheet name=\"Data\" sheetId=\"1\" r:id=\"rId7\"/>"
        "</sheets></workbook>";
    const std::string rels =
        "<?xml version=\"1.0\"?><Relationships xmlns=\"http://schemas.openxmlformats.org/"
        "package/2006/relationships\"><Relationship Id=\"rId7\" Type=\"worksheet\" "
        "Target=\"worksheets/data.xml\"/></Relationships>";
    return zipBytes({{"xl/workbook.xml", workbook},
                     {"xl/_rels/workbook.xml.rels", rels},
                     {"xl/sharedStrings.xml", sst},
                     {"xl/worksheets/data.xml", sheet}});
}

namespace {

// Objects numbered from 1 in order; offsets in the cross-reference table are computed.
std::string assemblePdf(const std::vector<std::string>& objects, const std::string& trailerExtra) {
    std::string pdf = "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n";
    std::vector<std::size_t> offsets;
    for (std::size_t i = 0; i < objects.size(); ++i) {
        offsets.push_back(pdf.size());
        pdf += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    const std::size_t xref = pdf.size();
    pdf += "xref\n0 " + std::to_string(objects.size() + 1) + "\n0000000000 65535 f \n";
    for (std::size_t off : offsets) {
        char line[32];
        std::snprintf(line, sizeof line, "%010zu 00000 n \n", off);
        pdf += line;
    }
    pdf += "trailer\n<< /Size " + std::to_string(objects.size() + 1) + " /Root 1 0 R " +
           trailerExtra + " >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
    return pdf;
}

std::string stream(const std::string& dict, const std::string& data) {
    return "<< " + dict + " /Length " + std::to_string(data.size()) + " >>\nstream\n" + data +
           "\nendstream";
}

}  // namespace

std::string textPdf(const std::vector<std::string>& lines, const std::string& title,
                    const std::string& author, const std::string& creationDate) {
    std::string content = "BT /F1 18 Tf 72 720 Td 22 TL\n";
    for (const auto& l : lines) content += "(" + l + ") Tj T*\n";
    content += "ET";
    return assemblePdf(
        {"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
         "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Resources << /Font << /F1 4 0 R "
         ">> >> /Contents 5 0 R >>",
         "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>", stream("", content),
         "<< /Title (" + title + ") /Author (" + author + ") /CreationDate (" + creationDate +
             ") >>"},
        "/Info 6 0 R");
}

std::string imagePdf(const std::string& grayPixels, int width, int height) {
    // Drawn at 72 points per 300 pixels so that rendering at 300 dpi gives the pixels back.
    const double w = width * 72.0 / 300.0, h = height * 72.0 / 300.0;
    char placement[128];
    std::snprintf(placement, sizeof placement, "q %.2f 0 0 %.2f 20 %.2f cm /Im1 Do Q", w, h,
                  780.0 - h);
    return assemblePdf(
        {"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
         "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Resources << /XObject << /Im1 "
         "4 0 R >> >> /Contents 5 0 R >>",
         stream("/Type /XObject /Subtype /Image /Width " + std::to_string(width) + " /Height " +
                    std::to_string(height) + " /ColorSpace /DeviceGray /BitsPerComponent 8",
                grayPixels),
         stream("", placement)},
        "");
}

std::string encryptedPdf() {
    const std::string o(32, 'O'), u(32, 'U');
    return assemblePdf(
        {"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
         "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] >>",
         "<< /Filter /Standard /V 1 /R 2 /O (" + o + ") /U (" + u + ") /P -4 >>"},
        "/Encrypt 4 0 R /ID "
        "[<0123456789abcdef0123456789abcdef><0123456789abcdef0123456789abcdef>]");
}

namespace {

cv::Mat drawText(const std::vector<std::string>& lines, int width, int height) {
    cv::Mat img(height, width, CV_8UC1, cv::Scalar(255));
    int y = 150;
    for (const auto& l : lines) {
        cv::putText(img, l, {60, y}, cv::FONT_HERSHEY_SIMPLEX, 3.0, cv::Scalar(0), 7, cv::LINE_AA);
        y += 160;
    }
    return img;
}

}  // namespace

std::string renderTextGray(const std::vector<std::string>& lines, int width, int height) {
    const cv::Mat img = drawText(lines, width, height);
    return std::string(reinterpret_cast<const char*>(img.data), img.total());
}

std::string renderTextPng(const std::vector<std::string>& lines, int width, int height) {
    std::vector<unsigned char> png;
    cv::imencode(".png", drawText(lines, width, height), png);
    return std::string(png.begin(), png.end());
}

std::string encodeAs(const std::string& utf8, const char* charset) {
    UErrorCode status = U_ZERO_ERROR;
    std::u16string u16(utf8.size() + 1, u'\0');
    int32_t len16 = 0;
    u_strFromUTF8(reinterpret_cast<UChar*>(u16.data()), static_cast<int32_t>(u16.size()), &len16,
                  utf8.data(), static_cast<int32_t>(utf8.size()), &status);
    std::string out(utf8.size() * 4 + 4, '\0');
    const int32_t n =
        ucnv_convert(charset, "UTF-16LE", out.data(), static_cast<int32_t>(out.size()),
                     reinterpret_cast<const char*>(u16.data()), len16 * 2, &status);
    if (U_FAILURE(status)) throw std::runtime_error("encodeAs");
    out.resize(static_cast<std::size_t>(n));
    return out;
}

}  // namespace orvane::testing
