#include "core/renamer/TextRecognizer.h"

#include <leptonica/allheaders.h>
#include <tesseract/baseapi.h>

#include <functional>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

namespace orvane::renamer {

namespace {

// Tesseract's names for the languages a name may be asked in.
constexpr std::pair<const char*, const char*> kLanguages[] = {
    {"zh-Hans", "chi_sim"}, {"zh-Hant", "chi_tra"}, {"en", "eng"}, {"de", "deu"},
    {"ar", "ara"},          {"es", "spa"},          {"it", "ita"}, {"ru", "rus"},
    {"cs", "ces"},          {"tr", "tur"},          {"sv", "swe"}, {"fr", "fra"},
    {"nl", "nld"},          {"pt-BR", "por"},       {"ja", "jpn"}, {"ko", "kor"},
};

void quietEngine(tesseract::TessBaseAPI& api) { api.SetVariable("debug_file", "/dev/null"); }

std::string detectLanguages() {
    setMsgSeverity(L_SEVERITY_NONE);
    tesseract::TessBaseAPI api;
    quietEngine(api);
    if (api.Init(nullptr, "eng", tesseract::OEM_LSTM_ONLY) != 0) return {};
    std::vector<std::string> installed;
    api.GetAvailableLanguagesAsVector(&installed);
    api.End();
    std::string langs = "eng";
    for (const auto& [code, tess] : kLanguages) {
        if (std::string_view(tess) == "eng") continue;
        for (const auto& have : installed)
            if (have == tess) langs += std::string("+") + tess;
    }
    return langs;
}

std::string runEngine(const std::function<void(tesseract::TessBaseAPI&)>& setImage, int dpi,
                      std::string& error) {
    const std::string langs = TextRecognizer::languages();
    if (langs.empty()) {
        error = "Text recognition is not available (the English Tesseract data is missing).";
        return {};
    }
    tesseract::TessBaseAPI api;
    quietEngine(api);
    if (api.Init(nullptr, langs.c_str(), tesseract::OEM_LSTM_ONLY) != 0) {
        error = "Text recognition could not be started.";
        return {};
    }
    setImage(api);
    if (dpi > 0) api.SetSourceResolution(dpi);
    std::unique_ptr<char[]> text(api.GetUTF8Text());
    api.End();
    if (!text) {
        error = "Text recognition failed on this image.";
        return {};
    }
    return std::string(text.get());
}

}  // namespace

std::string TextRecognizer::languages() {
    static std::once_flag once;
    static std::string langs;
    std::call_once(once, [] { langs = detectLanguages(); });
    return langs;
}

std::string TextRecognizer::recognizeGray(const unsigned char* pixels, int width, int height,
                                          int bytesPerLine, int dotsPerInch, std::string& error) {
    if (!pixels || width <= 0 || height <= 0 ||
        static_cast<long long>(width) * height > kMaxPixels) {
        error = "The image is too large for text recognition.";
        return {};
    }
    return runEngine(
        [&](tesseract::TessBaseAPI& api) { api.SetImage(pixels, width, height, 1, bytesPerLine); },
        dotsPerInch, error);
}

std::string TextRecognizer::recognizeEncoded(std::string_view bytes, std::string& error) {
    setMsgSeverity(L_SEVERITY_NONE);
    const auto* data = reinterpret_cast<const l_uint8*>(bytes.data());
    l_int32 format = 0, w = 0, h = 0, bps = 0, spp = 0, cmap = 0;
    if (bytes.empty() ||
        pixReadHeaderMem(data, bytes.size(), &format, &w, &h, &bps, &spp, &cmap) != 0) {
        error = "The image format cannot be read for text recognition.";
        return {};
    }
    if (w <= 0 || h <= 0 || static_cast<long long>(w) * h > kMaxPixels) {
        error = "The image is too large for text recognition.";
        return {};
    }
    Pix* pix = pixReadMem(data, bytes.size());
    if (!pix) {
        error = "The image could not be decoded for text recognition.";
        return {};
    }
    std::string text =
        runEngine([pix](tesseract::TessBaseAPI& api) { api.SetImage(pix); }, 0, error);
    pixDestroy(&pix);
    return text;
}

}  // namespace orvane::renamer
