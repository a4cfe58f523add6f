// The room's one door to liquid-dsp. liquid's header takes std::complex<float> for its complex
// type only when <complex> comes first, so every file includes liquid through this one; its
// objects are C handles, each owned here by a unique_ptr that calls the matching destroy.
#pragma once

#include <complex>

#include <liquid/liquid.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <type_traits>

namespace channelizer {

using Complex = std::complex<float>;

static_assert(std::is_same_v<liquid_float_complex, Complex>,
              "liquid-dsp must see std::complex<float> as its complex type");

// A liquid object owned: `Destroy` is its destroy function (firpfbch2_crcf_destroy, ...).
template <typename Handle, auto Destroy> struct LiquidDeleter {
    void operator()(Handle handle) const {
        if (handle != nullptr)
            Destroy(handle);
    }
};
template <typename Handle, auto Destroy>
using LiquidObject = std::unique_ptr<std::remove_pointer_t<Handle>, LiquidDeleter<Handle, Destroy>>;

// liquid returns a null handle for a design it cannot make (and says why on standard error);
// the callers check their numbers first, so a null here is a fault of this room.
template <typename Owned> Owned Made(typename Owned::pointer handle, const char* what) {
    if (handle == nullptr)
        throw std::logic_error(std::string("liquid-dsp could not make ") + what);
    return Owned(handle);
}

} // namespace channelizer
