#pragma once

// PEM text of DER bytes as certificate tools write it: base64 in lines of 64 characters
// between "-----BEGIN <label>-----" and "-----END <label>-----". The certificate parser's
// tests and the installer's end-to-end tests make their PEM files with it.

#include <cstddef>
#include <string>
#include <string_view>

inline std::string PemText(std::string_view der, std::string_view lineEnd = "\n",
                           std::string_view label = "CERTIFICATE")
{
    static constexpr char kAlphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string base64;
    for (std::size_t at = 0; at < der.size(); at += 3) {
        const std::size_t count = der.size() - at < 3 ? der.size() - at : 3;
        unsigned group = 0;
        for (std::size_t index = 0; index < 3; ++index) {
            group =
                (group << 8) | (index < count ? static_cast<unsigned char>(der[at + index]) : 0u);
        }
        for (std::size_t index = 0; index < 4; ++index) {
            base64 += index <= count ? kAlphabet[(group >> (18 - 6 * index)) & 0x3F] : '=';
        }
    }
    std::string text = "-----BEGIN " + std::string(label) + "-----" + std::string(lineEnd);
    for (std::size_t at = 0; at < base64.size(); at += 64) {
        text += base64.substr(at, 64) + std::string(lineEnd);
    }
    return text + "-----END " + std::string(label) + "-----" + std::string(lineEnd);
}
