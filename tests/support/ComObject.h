// ComObject: the IUnknown half of the test doubles: an interlocked count
// (one reference at creation, deleted with the last), QueryInterface for
// IUnknown and each interface listed in Answers<...> (list base interfaces
// too), and an optional counter of live objects. Any thread.
// TAVIX_FORWARD declares an override that hands the call on to the double's
// `inner_`, the platform's object it wraps.
#pragma once

#include <unknwn.h>

#include <atomic>
#include <tuple>

#define TAVIX_FORWARD(Method, Parameters, Arguments)                                                         \
    HRESULT STDMETHODCALLTYPE Method Parameters override                                                     \
    {                                                                                                        \
        return inner_->Method Arguments;                                                                     \
    }

namespace TestSupport
{

template <typename... Interfaces> struct Answers
{
};

template <typename AnswerList, typename... Implemented> class ComObject;

template <typename... Answered, typename... Implemented>
class ComObject<Answers<Answered...>, Implemented...> : public Implemented...
{
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** result) override
    {
        if (result == nullptr)
        {
            return E_POINTER;
        }
        *result = nullptr;
        if (iid == __uuidof(IUnknown))
        {
            *result = static_cast<IUnknown*>(static_cast<Primary*>(this));
        }
        ((iid == __uuidof(Answered) ? (*result = static_cast<Answered*>(this), true) : false) || ...);
        if (*result == nullptr)
        {
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const ULONG count = --references_;
        if (count == 0)
        {
            delete this;
        }
        return count;
    }

protected:
    explicit ComObject(std::atomic<int>* live = nullptr) : live_(live)
    {
        if (live_ != nullptr)
        {
            ++*live_;
        }
    }
    virtual ~ComObject()
    {
        if (live_ != nullptr)
        {
            --*live_;
        }
    }

private:
    using Primary = std::tuple_element_t<0, std::tuple<Implemented...>>;

    std::atomic<ULONG> references_{1};
    std::atomic<int>* const live_;
};

} // namespace TestSupport
