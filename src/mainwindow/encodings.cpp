#include "mainwindow/encodings.h"

namespace zr {

namespace {

const EncodingEntry kEncodings[] = {
    {TextEncoding::Auto, L"自動判別(&A)", L"Shift_JIS"},  // a log still undecided is ASCII
    {TextEncoding::CodePage, L"Shift_JIS(&S)", L"Shift_JIS"},
    {TextEncoding::Utf8, L"UTF-8(&U)", L"UTF-8"},
    {TextEncoding::Utf16Le, L"UTF-16 LE(&L)", L"UTF-16 LE"},
    {TextEncoding::Utf16Be, L"UTF-16 BE(&B)", L"UTF-16 BE"},
};

}  // namespace

std::span<const EncodingEntry> Encodings() {
    return kEncodings;
}

const EncodingEntry& EncodingOf(TextEncoding value) {
    for (const EncodingEntry& e : kEncodings) {
        if (e.value == value) return e;
    }
    return kEncodings[0];
}

}  // namespace zr
