#include "server/builder/wordbankfile.h"

#include "common/text/files.h"

namespace server {

common::GbkText read_word_bank(const common::GbkText& name)
{
    const int file = common::open_file(name);
    if (file == 0)
        return {};
    common::GbkText text = common::read_text(file);
    common::close_file(file);
    return text;
}

} // namespace server
