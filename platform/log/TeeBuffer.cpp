// SPDX-License-Identifier: MIT
#include "platform/log/TeeBuffer.h"

namespace kelog {

TeeBuffer::TeeBuffer(std::streambuf* original, RotatingFile* file) : mOriginal(original), mFile(file)
{
    setp(nullptr, nullptr);  // no put area: every character comes through the locked calls
}

TeeBuffer::~TeeBuffer()
{
    std::lock_guard lock(mMutex);
    for (auto& [thread, pending] : mPending) {
        PassOn(pending);
        if (!pending.line.empty()) EndLine(pending);
    }
    if (mOriginal) mOriginal->pubsync();
}

TeeBuffer::int_type TeeBuffer::overflow(int_type c)
{
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    const char ch = traits_type::to_char_type(c);
    std::lock_guard lock(mMutex);
    Take(mPending[std::this_thread::get_id()], std::string_view(&ch, 1));
    return c;
}

std::streamsize TeeBuffer::xsputn(const char* s, std::streamsize n)
{
    if (n <= 0) return 0;
    std::lock_guard lock(mMutex);
    Take(mPending[std::this_thread::get_id()], std::string_view(s, static_cast<std::size_t>(n)));
    return n;
}

int TeeBuffer::sync()
{
    std::lock_guard lock(mMutex);
    return !mOriginal || mOriginal->pubsync() == 0 ? 0 : -1;
}

void TeeBuffer::Take(Pending& pending, std::string_view text)
{
    while (!text.empty()) {
        const std::size_t newline = text.find('\n');
        const std::size_t length = newline == std::string_view::npos ? text.size() : newline + 1;
        const std::string_view piece = text.substr(0, length);
        pending.forOriginal.append(piece);
        // A terminal's carriage returns mean nothing in a file.
        for (char c : piece.substr(0, newline == std::string_view::npos ? length : newline)) {
            if (c != '\r') pending.line.push_back(c);
        }
        text.remove_prefix(length);
        if (newline == std::string_view::npos) break;
        PassOn(pending);
        EndLine(pending);
    }
    while (pending.line.size() >= kMaxLine) {
        std::string rest = pending.line.substr(kMaxLine);
        pending.line.resize(kMaxLine);
        EndLine(pending);
        pending.line = std::move(rest);
    }
    if (pending.forOriginal.size() >= kMaxLine) PassOn(pending);
    if (pending.forOriginal.empty() && pending.line.empty()) mPending.erase(std::this_thread::get_id());
}

void TeeBuffer::PassOn(Pending& pending)
{
    if (pending.forOriginal.empty()) return;
    if (mOriginal) {
        mOriginal->sputn(pending.forOriginal.data(), static_cast<std::streamsize>(pending.forOriginal.size()));
        mOriginal->pubsync();  // line by line, even into a pipe
    }
    pending.forOriginal.clear();
}

void TeeBuffer::EndLine(Pending& pending)
{
    if (mFile) mFile->WriteLine(pending.line);
    pending.line.clear();
}

}  // namespace kelog
