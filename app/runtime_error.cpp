#include "app/runtime_error.h"

#include "app/text.h"

namespace {
std::u16string StandardDescription(int32_t number) {
  switch (number) {
    case kErrInvalidCall: return u"プロシージャの呼び出し、または引数が不正です。";
    case kErrOverflow: return u"オーバーフローしました。";
    case kErrSubscript: return u"インデックスが有効範囲にありません。";
    case kErrDivisionByZero: return u"0 で除算しました。";
    case kErrInternal: return u"内部エラーです。";
    case kErrFileNotFound: return u"ファイルが見つかりません。";
    case kErrObjectNotSet: return u"オブジェクト変数が設定されていません。";
    case kErrBadControlIndex: return u"コントロール配列の要素が存在しません。";
    default: return u"アプリケーション定義またはオブジェクト定義のエラーです。";
  }
}
}  // namespace

RuntimeError ProgramError(int32_t number) {
  return RuntimeError(number, std::u16string(kAppTitle), StandardDescription(number));
}

std::u16string ErrorBoxText(const RuntimeError& e) {
  if (e.Number() == kErrInvalidCall)
    return u"パラメータの構文が間違っています。\r\nReadme.txtで設定方法をご確認ください。";
  return u"エラーです。\r\nオブジェクト : " + e.Source() + u"\r\nエラー番号   : " + Decimal(e.Number()) +
         u"\r\n" + e.Description() + u"\r\n" + VersionText();
}
