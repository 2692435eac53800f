#include "tools/tessel-syx/CheckedOutput.h"

#include <unistd.h>

#include <cerrno>

#include "tools/tessel-syx/SyxTool.h"

namespace tessel::syx {

DescriptorBuffer::DescriptorBuffer(int descriptor) : descriptor_(descriptor) {
    setp(buffer_.data(), buffer_.data() + buffer_.size());
}

DescriptorBuffer::int_type DescriptorBuffer::overflow(int_type c) {
    if (!Drain()) {
        return traits_type::eof();
    }
    if (!traits_type::eq_int_type(c, traits_type::eof())) {
        *pptr() = traits_type::to_char_type(c);
        pbump(1);
    }
    return traits_type::not_eof(c);
}

int DescriptorBuffer::sync() {
    return Drain() ? 0 : -1;
}

// Writes what is buffered; after a failure the buffer stays full, so nothing more is taken.
bool DescriptorBuffer::Drain() {
    if (error_) {
        return false;
    }
    const char* next = pbase();
    while (next < pptr()) {
        const ssize_t written = ::write(descriptor_, next, static_cast<std::size_t>(pptr() - next));
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written < 0) {
            error_ = std::error_code(errno, std::generic_category());
            return false;
        }
        next += written;
    }
    setp(buffer_.data(), buffer_.data() + buffer_.size());
    return true;
}

CheckedOutput::CheckedOutput(int descriptor) : std::ostream(nullptr), buffer_(descriptor) {
    rdbuf(&buffer_);
}

int RunWithCheckedOutput(std::span<const std::string> args, CheckedOutput& out, std::ostream& err) {
    out.exceptions(std::ios::badbit);  // the first failed write ends the command
    int status = kExitError;
    try {
        status = RunSyxTool(args, out, err);
        out.flush();
    } catch (const std::ios_base::failure&) {
    }
    if (!out.Error()) {
        return status;
    }
    err << "tessel-syx: write error: " << out.Error().message() << '\n';
    return kExitError;
}

std::string EscapedName(std::string_view name) {
    std::string escaped;
    escaped.reserve(name.size());
    for (const char c : name) {
        switch (c) {
            case '\t':
                escaped += "\\t";
                break;
            case '\n':
                escaped += "\\n";
                break;
            case '\r':
                escaped += "\\r";
                break;
            case '\\':
                escaped += "\\\\";
                break;
            default:
                escaped += c;
        }
    }
    return escaped;
}

}  // namespace tessel::syx
