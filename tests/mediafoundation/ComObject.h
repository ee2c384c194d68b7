// ComObject: the IUnknown half of the test doubles. It keeps an interlocked
// reference count (created with one reference, deleted with the last),
// answers QueryInterface for IUnknown and for each interface listed in
// Answers<...> (list the base interfaces too, e.g. IMFAttributes of
// IMFActivate), and counts itself in a live-object counter when given one.
// Any thread.
#pragma once

#include <unknwn.h>

#include <atomic>
#include <tuple>

namespace MediaFoundationTests
{

// The interfaces QueryInterface answers besides IUnknown.
template <typename... Interfaces> struct Answers
{
};

template <typename AnswerList, typename... Implemented> class ComObject;

template <typename... Answered, typename... Implemented>
class ComObject<Answers<Answered...>, Implemented...> : public Implemented...
{
public:
    ComObject(const ComObject&) = delete;
    ComObject& operator=(const ComObject&) = delete;

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
        else
        {
            (Answer<Answered>(iid, result) || ...);
        }
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
    // `live`, when given, counts this object while it exists.
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

    template <typename Interface> bool Answer(REFIID iid, void** result)
    {
        if (iid != __uuidof(Interface))
        {
            return false;
        }
        *result = static_cast<Interface*>(this);
        return true;
    }

    std::atomic<ULONG> references_{1};
    std::atomic<int>* const live_;
};

} // namespace MediaFoundationTests
