// The readable text form of form data, and its conversion to and from the
// binary form. Portable; knows nothing of classes, only of values.
//
//   object FormMain: TFormMain        // "object TClass" for an unnamed one
//     Left = 325                      // integers: decimal, or $hex
//     Caption = 'Talvoria '#39'x'     // strings: quoted ('' is a quote), #n character codes,
//       + 'more'                      //   pieces joined directly or by + across lines
//     BorderIcons = [biSystemMenu, biMinimize]   // sets
//     Font.Charset = GB2312_CHARSET   // identifiers; True, False, nil
//     Lines.Strings = (               // lists
//       'one'
//       'two')
//     SkinStream = {                  // binary data, hexadecimal
//       0A0B0C}
//     Package = {@counted 'skin.pkg'} // a file's bytes, after its 32-bit count
//     Raw = {@file 'data.bin'}        // a file's bytes as they are
//     Store = <                       // collections
//       item
//         Name = 'a'
//       end>
//     object Label1: TLabel
//     end
//   end
//
// The text is UTF-8; non-ASCII characters may stand in strings as they are.
// "//" starts a comment that runs to the end of the line (outside strings).
// Strings of ASCII characters become fdString (fdLString beyond 255
// bytes), other strings fdWString, integers the smallest integer tag: the
// same choices the form writer makes, so a converted text and a written
// form agree byte for byte.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "framework/streaming/FormData.h"

// Errors in the text: the message carries the line number.
class EParserError : public EFilerError {
public:
    using EFilerError::EFilerError;
};

// Gives the bytes of a file named in the text ("@file"/"@counted" inside
// binary data); raises an EFrameworkError when it cannot.
using TIncludeReader = std::function<std::vector<uint8_t>(const std::string& path)>;

// Without a reader, naming a file is an error.
std::vector<uint8_t> ObjectTextToBinary(std::string_view text, const TIncludeReader& include = nullptr);
// The text of binary form data; EFormReadError when it is damaged.
std::string ObjectBinaryToText(const uint8_t* data, size_t size);
