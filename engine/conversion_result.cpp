#include "engine/conversion_result.h"

namespace zel {

std::string_view ConversionResultMessage(ConversionResult code) {
    switch (code) {
        case kCancelled: return "ユーザーによる中断";
        case kInputOpenError: return "入力ファイルオープンエラー";
        case kInputFormatError: return "入力ファイルフォーマットエラー";
        case kOutputOpenError: return "出力ファイルオープンエラー";
        case kOutputWriteError: return "出力ファイル書き込みエラー";
        case kInputReadError: return "入力ファイル読み込みエラー";
        case kOutOfMemory: return "メモリ不足エラー";
        default: return "正常終了";
    }
}

}  // namespace zel
