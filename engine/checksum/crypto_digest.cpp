#include "engine/checksum/crypto_digest.h"

#include <openssl/evp.h>

#include <stdexcept>
#include <string>

#include "engine/os/file_calls.h"

namespace morsela {
namespace {

static_assert(CryptoDigest::kLongest >= EVP_MAX_MD_SIZE);

// The few functions of libcrypto that a digest needs, bound once.
struct Crypto {
    decltype(&EVP_MD_CTX_new) newContext = nullptr;
    decltype(&EVP_MD_CTX_free) freeContext = nullptr;
    decltype(&EVP_sha256) sha256 = nullptr;
    decltype(&EVP_md5) md5 = nullptr;
    decltype(&EVP_DigestInit_ex) init = nullptr;
    decltype(&EVP_DigestUpdate) update = nullptr;
    decltype(&EVP_DigestFinal_ex) final = nullptr;

    static const Crypto& get() {
        static const Crypto crypto = load();
        return crypto;
    }

  private:
    static Crypto load() {
        void* library = sys::loadLibrary("libcrypto.so.3");
        if (library == nullptr) {
            throw std::runtime_error(std::string("digests need OpenSSL's libcrypto: ") +
                                     sys::libraryError());
        }
        Crypto crypto;
        bind(library, crypto.newContext, "EVP_MD_CTX_new");
        bind(library, crypto.freeContext, "EVP_MD_CTX_free");
        bind(library, crypto.sha256, "EVP_sha256");
        bind(library, crypto.md5, "EVP_md5");
        bind(library, crypto.init, "EVP_DigestInit_ex");
        bind(library, crypto.update, "EVP_DigestUpdate");
        bind(library, crypto.final, "EVP_DigestFinal_ex");
        return crypto;
    }

    template <typename Function>
    static void bind(void* library, Function& function, const char* name) {
        function = reinterpret_cast<Function>(sys::librarySymbol(library, name));
        if (function == nullptr) {
            throw std::runtime_error(std::string("libcrypto has no ") + name);
        }
    }
};

}  // namespace

struct CryptoDigest::Context {
    EVP_MD_CTX* md = Crypto::get().newContext();
    Kind kind;

    explicit Context(Kind of) : kind(of) { start(); }
    ~Context() { Crypto::get().freeContext(md); }
    Context(const Context&) = delete;
    Context& operator=(const Context&) = delete;

    void start() {
        const Crypto& crypto = Crypto::get();
        const EVP_MD* type = kind == Kind::Sha256 ? crypto.sha256() : crypto.md5();
        if (md == nullptr || crypto.init(md, type, nullptr) != 1) {
            throw std::runtime_error(std::string(kind == Kind::Sha256 ? "SHA-256" : "MD5") +
                                     " is not available from libcrypto");
        }
    }
};

CryptoDigest::CryptoDigest(Kind kind) : context_(std::make_unique<Context>(kind)) {}

CryptoDigest::~CryptoDigest() = default;
CryptoDigest::CryptoDigest(CryptoDigest&&) noexcept = default;
CryptoDigest& CryptoDigest::operator=(CryptoDigest&&) noexcept = default;

void CryptoDigest::update(const void* data, std::size_t length) {
    Crypto::get().update(context_->md, data, length);
}

std::size_t CryptoDigest::finish(unsigned char* digest) {
    unsigned int length = 0;
    Crypto::get().final(context_->md, digest, &length);
    context_->start();
    return length;
}

}  // namespace morsela
