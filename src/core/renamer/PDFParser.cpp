#include "core/renamer/PDFParser.h"

#include <poppler-document.h>
#include <poppler-global.h>
#include <poppler-image.h>
#include <poppler-page-renderer.h>
#include <poppler-page.h>

#include <climits>
#include <cmath>
#include <memory>
#include <mutex>

#include "core/renamer/ParserSupport.h"
#include "core/renamer/TextRecognizer.h"
#include "kit/DateFormat.h"

namespace orvane::renamer {

namespace {

constexpr const char* kDomain = "PDFParser";
// Text of the first pages up to this much is enough for a 500-character summary.
constexpr std::size_t kTextBudget = 8 * 1024;

void ignorePopplerMessage(const std::string&, void*) {}

std::string utf8(const poppler::ustring& s) {
    const poppler::byte_array bytes = s.to_utf8();
    return toValidUtf8(std::string_view(bytes.data(), bytes.size()));
}

}  // namespace

bool PDFParser::canHandle(std::string_view path) const { return lowerExtension(path) == "pdf"; }

ParseResult PDFParser::parseData(const std::string& fileName, std::string_view bytes) const {
    static std::once_flag quiet;
    std::call_once(quiet, [] { poppler::set_debug_error_function(ignorePopplerMessage, nullptr); });

    if (bytes.size() > static_cast<std::size_t>(INT_MAX))
        return ParseResult::failure(kDomain, 1, "无法打开 PDF");
    std::unique_ptr<poppler::document> doc(
        poppler::document::load_from_raw_data(bytes.data(), static_cast<int>(bytes.size())));
    if (!doc) return ParseResult::failure(kDomain, 1, "无法打开 PDF");
    if (doc->is_locked()) return ParseResult::failure(kDomain, 2, "无法打开 PDF");

    std::string text;
    const int pages = doc->pages();
    for (int i = 0; i < pages && text.size() < kTextBudget; ++i) {
        std::unique_ptr<poppler::page> page(doc->create_page(i));
        if (!page) continue;
        if (i) text += '\n';
        text += utf8(page->text());
    }
    std::string content = normalizeWhitespace(text);

    if (content.empty() && pages > 0) {
        std::unique_ptr<poppler::page> first(doc->create_page(0));
        if (!first) return ParseResult::failure(kDomain, 3, "无法渲染 PDF 第1页进行 OCR");
        // A hostile page size would ask for gigabytes of pixels: lower the resolution instead.
        const poppler::rectf box = first->page_rect();
        double dpi = kOcrDotsPerInch;
        const double pixelsAt300 = (box.width() / 72.0 * dpi) * (box.height() / 72.0 * dpi);
        if (pixelsAt300 > static_cast<double>(TextRecognizer::kMaxPixels))
            dpi *= std::sqrt(static_cast<double>(TextRecognizer::kMaxPixels) / pixelsAt300);
        poppler::page_renderer renderer;
        renderer.set_image_format(poppler::image::format_gray8);
        renderer.set_render_hint(poppler::page_renderer::antialiasing, true);
        renderer.set_render_hint(poppler::page_renderer::text_antialiasing, true);
        const poppler::image image = renderer.render_page(first.get(), dpi, dpi);
        if (!image.is_valid() || image.width() <= 0 || image.height() <= 0)
            return ParseResult::failure(kDomain, 3, "无法渲染 PDF 第1页进行 OCR");
        std::string ocrError;
        const std::string recognised = TextRecognizer::recognizeGray(
            reinterpret_cast<const unsigned char*>(image.const_data()), image.width(),
            image.height(), image.bytes_per_row(), static_cast<int>(dpi), ocrError);
        content = normalizeWhitespace(toValidUtf8(recognised));
    }

    ExtractedSummary s = baseSummary(fileName, "PDF");
    s.mainFields["title"] = prefixCharacters(normalizeWhitespace(utf8(doc->get_title())), 200);
    s.mainFields["content"] = prefixCharacters(content);
    const std::string author = trim(utf8(doc->get_author()));
    const std::string keywords = trim(utf8(doc->get_keywords()));
    if (!author.empty()) s.metadata["author"] = prefixCharacters(author, 200);
    if (!keywords.empty()) s.metadata["keywords"] = prefixCharacters(keywords, 200);
    const time_t created = doc->get_creation_date_t();
    if (created > 0) s.metadata["createTime"] = kit::dateStr(static_cast<double>(created));
    return ParseResult::success(std::move(s));
}

}  // namespace orvane::renamer
