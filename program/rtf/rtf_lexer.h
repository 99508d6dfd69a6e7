// The RTF tokenizer under the help viewer and the garment descriptions: a
// character source with a push-back stack over the bound document, and a
// scanner that cuts it into control tokens (result 1) and text tokens
// (result 0). Each document view holds its own lexer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

// The document the lexer reads: positioned reads of a byte stream.
class LexInput {
public:
    virtual ~LexInput() = default;
    // Reads at most n bytes; returns how many were read (0 at the end).
    virtual size_t Read(char* buffer, size_t n) = 0;
    virtual long Position() = 0;
    virtual void Seek(long offset) = 0;
};

// A document held in memory (tests, fuzzing, the clipboard copy's header).
class LexMemoryInput : public LexInput {
public:
    LexMemoryInput(const char* data, size_t size) : data_(data), size_(size) {}
    explicit LexMemoryInput(const std::string& text) : LexMemoryInput(text.data(), text.size()) {}
    explicit LexMemoryInput(std::string&&) = delete;  // the bytes are borrowed
    size_t Read(char* buffer, size_t n) override;
    long Position() override { return static_cast<long>(pos_); }
    void Seek(long offset) override;

private:
    const char* data_;
    size_t size_;
    size_t pos_ = 0;
};

// A document file opened for shared reading (owned).
class LexFileInput : public LexInput {
public:
    explicit LexFileInput(const std::string& path);
    ~LexFileInput() override;
    LexFileInput(const LexFileInput&) = delete;
    LexFileInput& operator=(const LexFileInput&) = delete;
    bool IsOpen() const { return file_ != nullptr; }
    size_t Read(char* buffer, size_t n) override;
    long Position() override;
    void Seek(long offset) override;

private:
    std::FILE* file_;
};

// Control-word types: 1 \f ... 39 \brspn, 40 picture reference, 0 any other.
enum RtfWordType {
    rtOther = 0,
    rtF,
    rtFs,
    rtS,
    rtCf,
    rtCb,
    rtLinex,
    rtDeftab,
    rtB,
    rtI,
    rtStrike,
    rtCaps,
    rtScaps,
    rtV,
    rtPlain,
    rtKeepn,
    rtPard,
    rtUl,
    rtUlw,
    rtUld,
    rtUldb,
    rtUlnone,
    rtQr,
    rtQl,
    rtQc,
    rtQj,
    rtBrdrt,
    rtBrdrb,
    rtBrdrl,
    rtBrdrr,
    rtBox,
    rtUp,
    rtDn,
    rtFi,
    rtLi,
    rtRi,
    rtSb,
    rtSa,
    rtSl,
    rtBrspn,
    rtPicture
};

// The signed decimal number among the token's characters, or def.
int32_t ParseRtfNumber(const std::string& text, int32_t def);

class RtfLexer {
public:
    // The stream the lexer reads (borrowed); bind it, then seek.
    void SetInput(LexInput* input) { input_ = input; }
    LexInput* Input() const { return input_; }
    // Resets the lexer (an error too) and moves the input to offset.
    void Seek(long offset);
    // File offset of the next character not yet consumed.
    long Position() const;
    // Scans one token: 1 control token, 0 text token (or the end, or an
    // error: Text() empty).
    int NextToken();
    // Makes text the next characters read, first character first; false, and
    // the lexer failed, when they do not fit the push-back stack.
    bool PushBack(const std::string& text);

    // Text of the token just returned; empty after the end of the input.
    const std::string& Text() const { return text_; }
    std::string& Text() { return text_; }
    // Type of the last control word; tokens other than control words leave it.
    int ControlType() const { return controlType_; }
    void SetControlType(int type) { controlType_ = type; }
    // What stopped the lexer ("" while nothing did); it reads as the end of
    // the input until the next Seek.
    const std::string& Error() const { return error_; }
    bool Failed() const { return !error_.empty(); }

private:
    static constexpr int kPushBackSize = 2048;

    int Get();
    int GetSkippingLineEnds();
    bool Push(int c);
    void Reset();
    int ScanControlWord();
    int ScanTextRun(int c);
    void DecodeEscapes();
    int SkipGroup();
    bool FootnoteFollows();
    int ScanBackslash();

    LexInput* input_ = nullptr;
    char stack_[kPushBackSize];
    int count_ = 0;
    std::string text_;
    int controlType_ = 0;
    std::string error_;
};
