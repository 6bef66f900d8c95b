// Any arrival on either side gets exactly one reading, its fields are what split_text gives, and a
// message built by the protocol's own builders is read back as what it was built as.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "common/text/bytedata.h"
#include "common/text/gbktext.h"
#include "common/text/numbers.h"
#include "protocol/messages.h"
#include "protocol/recognition.h"
#include "tests/fuzz/check.h"

using namespace protocol;

namespace {

void check_arrival(const ByteData& arrival)
{
    const TextList fields = message_fields(arrival);
    const GbkText text = common::to_text(arrival);
    check(text.find('\0') == GbkText::npos);
    const qsizetype zero = arrival.indexOf('\0');
    check(text == arrival.left(zero < 0 ? arrival.size() : zero).toStdString());
    check(fields == common::split_text(text, "|"));
    for (std::size_t i = 0; i < fields.size() + 2; ++i)
        check(field_at(fields, i) == (i < fields.size() ? fields[i] : GbkText{}));
    check(is_whole_message(arrival, GbkText(arrival.constData(), static_cast<std::size_t>(arrival.size()))));
    check(!is_whole_message(arrival, GbkText(arrival.constData(), static_cast<std::size_t>(arrival.size())) + "|"));

    // The reading depends on the first two fields only, and the server's checks agree with the display's.
    const TextList head = {field_at(fields, 0), field_at(fields, 1)};
    const ControlMessage control = classify_control_message(fields);
    const PhotoMessage photo = classify_photo_message(fields);
    check(control == classify_control_message(head));
    check(photo == classify_photo_message(head));
    check((photo == PhotoMessage::JudgeResult) == is_judge_result(fields));
    if (is_login_request(fields))
        check(control == ControlMessage::Other && photo == PhotoMessage::Other);
    if (photo != PhotoMessage::Other)
        check(control == ControlMessage::Other);
}

// A field value that neither holds nor swallows a separator: printable ASCII without "|".
GbkText field_value(const ByteData& bytes, qsizetype from, qsizetype length)
{
    GbkText value;
    for (qsizetype i = from; i < from + length && i < bytes.size(); ++i) {
        const char c = static_cast<char>(0x20 + static_cast<unsigned char>(bytes[i]) % 0x5F);
        if (c != '|')
            value += c;
    }
    return value;
}

void check_built(const ByteData& bytes)
{
    const qsizetype part = bytes.size() / 4;
    const GbkText a = field_value(bytes, 0, part), b = field_value(bytes, part, part);
    const GbkText c = field_value(bytes, 2 * part, part), d = field_value(bytes, 3 * part, part);

    const TextList judged = message_fields(common::to_byte_set(judge_result(a, b, c, d)));
    check(classify_photo_message(judged) == PhotoMessage::JudgeResult && is_judge_result(judged));
    check(field_at(judged, 2) == a && field_at(judged, 3) == b && field_at(judged, 4) == c && field_at(judged, 5) == d);
    check(!is_right_verdict(a));

    const QuestionFields question{.time_limit = a, .question = b, .answer = c, .grid = d};
    const TextList start = message_fields(common::to_byte_set(question_start(question)));
    check(classify_control_message(start) == ControlMessage::QuestionStart);
    check(field_at(start, 2) == a && field_at(start, 3) == b && field_at(start, 4) == c && field_at(start, 5) == d);
    const TextList tick_fields = message_fields(common::to_byte_set(tick(d, question)));
    check(classify_control_message(tick_fields) == ControlMessage::Tick && field_at(tick_fields, 1) == d);
    check(classify_control_message(message_fields(common::to_byte_set(display_wait(a, b)))) ==
          ControlMessage::DisplayWait);
    check(is_login_request(message_fields(common::to_byte_set(login_request(a)))) == !a.empty());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const ByteData arrival = ByteData::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    check_arrival(arrival);
    check_built(arrival);
    return 0;
}
