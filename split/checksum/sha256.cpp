#include "split/checksum/sha256.h"

#include <dlfcn.h>
#include <openssl/evp.h>

#include <algorithm>
#include <stdexcept>
#include <string>

namespace morsela {
namespace {

// libcrypto is loaded on the first use of a digest, not when the program starts: a split
// without checksums then pays neither its start-up time nor its memory.
struct Crypto {
    decltype(&EVP_MD_CTX_new) newContext = nullptr;
    decltype(&EVP_MD_CTX_free) freeContext = nullptr;
    decltype(&EVP_sha256) sha256 = nullptr;
    decltype(&EVP_DigestInit_ex) init = nullptr;
    decltype(&EVP_DigestUpdate) update = nullptr;
    decltype(&EVP_DigestFinal_ex) final = nullptr;

    static const Crypto& get() {
        static const Crypto crypto = load();
        return crypto;
    }

  private:
    static Crypto load() {
        void* library = ::dlopen("libcrypto.so.3", RTLD_NOW | RTLD_LOCAL);
        if (library == nullptr) {
            throw std::runtime_error(std::string("checksums need OpenSSL's libcrypto: ") +
                                     ::dlerror());
        }
        Crypto crypto;
        bind(library, crypto.newContext, "EVP_MD_CTX_new");
        bind(library, crypto.freeContext, "EVP_MD_CTX_free");
        bind(library, crypto.sha256, "EVP_sha256");
        bind(library, crypto.init, "EVP_DigestInit_ex");
        bind(library, crypto.update, "EVP_DigestUpdate");
        bind(library, crypto.final, "EVP_DigestFinal_ex");
        return crypto;
    }

    template <typename Function>
    static void bind(void* library, Function& function, const char* name) {
        function = reinterpret_cast<Function>(::dlsym(library, name));
        if (function == nullptr) {
            throw std::runtime_error(std::string("libcrypto has no ") + name);
        }
    }
};

}  // namespace

struct Sha256::Context {
    EVP_MD_CTX* md = Crypto::get().newContext();
    ~Context() { Crypto::get().freeContext(md); }
};

Sha256::Sha256() : context_(std::make_unique<Context>()) {
    const Crypto& crypto = Crypto::get();
    if (context_->md == nullptr || crypto.init(context_->md, crypto.sha256(), nullptr) != 1) {
        throw std::runtime_error("SHA-256 is not available from libcrypto");
    }
}

Sha256::~Sha256() = default;
Sha256::Sha256(Sha256&&) noexcept = default;
Sha256& Sha256::operator=(Sha256&&) noexcept = default;

void Sha256::update(const void* data, std::size_t length) {
    Crypto::get().update(context_->md, data, length);
}

void Sha256::updateZeros(std::size_t length) {
    static const char zeros[65536] = {};
    while (length > 0) {
        const std::size_t part = std::min(length, sizeof zeros);
        update(zeros, part);
        length -= part;
    }
}

std::string Sha256::hex() {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    Crypto::get().final(context_->md, digest, &length);
    static const char kDigits[] = "0123456789abcdef";
    std::string text;
    for (unsigned int i = 0; i < length; ++i) {
        text += kDigits[digest[i] >> 4];
        text += kDigits[digest[i] & 0x0f];
    }
    return text;
}

}  // namespace morsela
