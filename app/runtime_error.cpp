#include "app/runtime_error.h"

#include "app/version.h"

namespace {
std::u16string StandardDescription(int32_t number) {
  switch (number) {
    case kErrInvalidCall: return u"プロシージャの呼び出し、または引数が不正です。";
    case kErrOverflow: return u"オーバーフローしました。";
    case kErrSubscript: return u"インデックスが有効範囲にありません。";
    case kErrObjectNotSet: return u"オブジェクト変数が設定されていません。";
    case kErrBadControlIndex: return u"コントロール配列の要素が存在しません。";
    default: return u"アプリケーション定義またはオブジェクト定義のエラーです。";
  }
}
}  // namespace

RuntimeError ProgramError(int32_t number) {
  return RuntimeError(number, std::u16string(kAppTitle), StandardDescription(number));
}
