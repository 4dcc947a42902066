#include "lang/interface_texts.h"

namespace vrtruty::lang {

std::string_view InterfaceTextIn(InterfaceText text, bool japanese) {
    const auto pick = [japanese](std::string_view english, std::string_view inJapanese) {
        return japanese ? inJapanese : english;
    };
    switch (text) {
        case InterfaceText::PrinterConnected:
            return pick("Connected: the printer answered.", "接続済み：プリンターが応答しました。");
        case InterfaceText::PrinterNotConnected:
            return pick("Not connected: no port is chosen.",
                        "未接続：ポートが選択されていません。");
        case InterfaceText::PrinterError:
            return pick("Error: the printer does not answer on the chosen port.",
                        "エラー：選択したポートでプリンターが応答しません。");
        case InterfaceText::JobStillRunning:
            return pick("The printer is still working. Please wait until the operation ends.",
                        "プリンターが処理中です。操作が終わるまでお待ちください。");
        case InterfaceText::Done:
            return pick("Done: %s", "完了：%s");
        case InterfaceText::SentBytes:
            return pick("%s of %s bytes sent", "%s / %s バイト送信済み");
        case InterfaceText::JoinGroupHint:
            return pick(
                "To use %s, join its group: sudo usermod -aG %s $USER,\nthen log out and "
                "log in again.",
                "%sを使うには、そのグループに参加してください：\nsudo usermod -aG %s "
                "$USER を実行してから、ログインし直してください。");
    }
    return {};
}

std::string_view InterfaceTextOf(const TextTable& texts, InterfaceText text) {
    return InterfaceTextIn(text, texts.japaneseSlot() == texts.languageIndex());
}

std::string LanguageLocaleName(const TextTable& texts) {
    if (texts.japaneseSlot() == texts.languageIndex()) {
        return "ja";
    }
    // "Setting_FR.dat" is French; the two Chinese files name their script.
    const std::string stem = texts.languageFile(texts.languageIndex()).stem().string();
    constexpr std::string_view kPrefix = "Setting_";
    if (!stem.starts_with(kPrefix) || stem.size() <= kPrefix.size()) {
        return "en";
    }
    const std::string code = stem.substr(kPrefix.size());
    if (code == "ZH_s") {
        return "zh_CN";
    }
    if (code == "ZH_t") {
        return "zh_TW";
    }
    std::string locale;
    for (const char c : code) {
        locale += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    }
    return locale;
}

}  // namespace vrtruty::lang
