#include "split/recovery/md5.h"

#include <dlfcn.h>
#include <openssl/evp.h>
#include <zlib.h>

#include <algorithm>
#include <stdexcept>
#include <string>

namespace morsela::recovery {
namespace {

// libcrypto is loaded when the first recovery file is written or read, not at start-up.
struct Crypto {
    decltype(&EVP_MD_CTX_new) newContext = nullptr;
    decltype(&EVP_MD_CTX_free) freeContext = nullptr;
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
        void* library = ::dlopen("libcrypto.so.3", RTLD_NOW | RTLD_LOCAL);
        if (library == nullptr) {
            throw std::runtime_error(std::string("recovery files need OpenSSL's libcrypto: ") +
                                     ::dlerror());
        }
        Crypto crypto;
        bind(library, crypto.newContext, "EVP_MD_CTX_new");
        bind(library, crypto.freeContext, "EVP_MD_CTX_free");
        bind(library, crypto.md5, "EVP_md5");
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

struct Md5::Context {
    EVP_MD_CTX* md = Crypto::get().newContext();
    ~Context() { Crypto::get().freeContext(md); }
    void start() {
        const Crypto& crypto = Crypto::get();
        if (md == nullptr || crypto.init(md, crypto.md5(), nullptr) != 1) {
            throw std::runtime_error("MD5 is not available from libcrypto");
        }
    }
};

Md5::Md5() : context_(std::make_unique<Context>()) {
    context_->start();
}

Md5::~Md5() = default;
Md5::Md5(Md5&&) noexcept = default;
Md5& Md5::operator=(Md5&&) noexcept = default;

void Md5::update(const void* data, std::size_t length) {
    Crypto::get().update(context_->md, data, length);
}

Hash16 Md5::finish() {
    Hash16 digest{};
    unsigned int length = 0;
    Crypto::get().final(context_->md, digest.data(), &length);
    context_->start();
    return digest;
}

Hash16 md5Of(const void* data, std::size_t length) {
    Md5 md5;
    md5.update(data, length);
    return md5.finish();
}

std::uint32_t crc32Of(std::uint32_t crc, const void* data, std::size_t length) {
    const auto* bytes = static_cast<const Bytef*>(data);
    while (length > 0) {
        const auto part = static_cast<uInt>(std::min<std::size_t>(length, 1u << 30));
        crc = static_cast<std::uint32_t>(::crc32(crc, bytes, part));
        bytes += part;
        length -= part;
    }
    return crc;
}

}  // namespace morsela::recovery
