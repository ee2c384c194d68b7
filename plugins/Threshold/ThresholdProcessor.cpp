#include "Threshold/ThresholdProcessor.h"

#include "Threshold/ThresholdPage.h"
#include "framework/CallGuarded.h"

#include <algorithm>
#include <cstring>

namespace TavixSamples
{

namespace
{
constexpr wchar_t Section[] = L"TavixThreshold";
constexpr wchar_t Key[] = L"Threshold";
constexpr std::uint32_t White = 0xFFFFFFFFu;
constexpr std::uint32_t Black = 0xFF000000u;
} // namespace

ThresholdProcessor::ThresholdProcessor() = default;

ThresholdProcessor::~ThresholdProcessor() = default;

HRESULT ThresholdProcessor::Initialize(Tavix::Framework::IHostServices* host)
{
    const HRESULT result = ProcessorBase::Initialize(host);
    if (FAILED(result))
    {
        return result;
    }
    return Tavix::Framework::CallGuarded(
        [&]
        {
            threshold_ = std::clamp(host->GetProfileInt(Section, Key, 128), 0, 255);
            SizeImagesToFrame();
            return S_OK;
        });
}

HRESULT ThresholdProcessor::Terminate()
{
    page_.reset();
    return ProcessorBase::Terminate();
}

HRESULT ThresholdProcessor::CreatePage(Common::Mfc::Window* parent, Common::Mfc::Window** page)
{
    if (page == nullptr)
    {
        return E_POINTER;
    }
    *page = nullptr;
    return Tavix::Framework::CallGuarded(
        [&]
        {
            if (!page_)
            {
                auto created = std::make_unique<ThresholdPage>(*this);
                created->Create(parent != nullptr ? parent->GetSafeHwnd() : nullptr);
                page_ = std::move(created);
            }
            *page = page_.get();
            return S_OK;
        });
}

void ThresholdProcessor::SizeImagesToFrame()
{
    const Common::FrameBuffer* frame = GetHost()->GetFrame();
    Common::AutoLock lock(imageLock_);
    readyImage_.Resize(frame->width, frame->height);
    shownImage_.Resize(frame->width, frame->height);
    isReadyNew_ = false;
}

Common::FrameBuffer* ThresholdProcessor::GetOutputImage()
{
    Common::AutoLock lock(imageLock_);
    if (isReadyNew_)
    {
        std::swap(readyImage_, shownImage_);
        isReadyNew_ = false;
    }
    return &shownImage_;
}

HRESULT ThresholdProcessor::Process()
{
    const Common::FrameBuffer* frame = GetHost() != nullptr ? GetHost()->GetFrame() : nullptr;
    if (frame == nullptr)
    {
        return E_POINTER;
    }
    return Tavix::Framework::CallGuarded(
        [&]
        {
            if (backImage_.width != frame->width || backImage_.height != frame->height)
            {
                backImage_.Resize(frame->width, frame->height); // only when the format changed
            }
            // Compared as 256 * luma against 256 * threshold, exactly.
            const std::uint32_t limit = static_cast<std::uint32_t>(threshold_.load()) * 256;
            for (std::int32_t y = 0; y < frame->height; ++y)
            {
                const std::uint8_t* in = frame->pixels.data() + static_cast<std::size_t>(y) * frame->stride;
                std::uint8_t* out =
                    backImage_.pixels.data() + static_cast<std::size_t>(y) * backImage_.stride;
                for (std::int32_t x = 0; x < frame->width; ++x)
                {
                    const std::uint8_t* pixel = in + x * 4;
                    const std::uint32_t luma256 = 29u * pixel[0] + 150u * pixel[1] + 77u * pixel[2];
                    const std::uint32_t value = luma256 >= limit ? White : Black;
                    std::memcpy(out + x * 4, &value, 4);
                }
            }
            Common::AutoLock lock(imageLock_);
            std::swap(backImage_, readyImage_);
            isReadyNew_ = true;
            return S_OK;
        });
}

HRESULT ThresholdProcessor::OnFrameFormatChanged()
{
    return Tavix::Framework::CallGuarded(
        [this]
        {
            SizeImagesToFrame();
            return S_OK;
        });
}

void ThresholdProcessor::SetThreshold(int threshold)
{
    threshold_ = std::clamp(threshold, 0, 255);
    if (GetHost() != nullptr)
    {
        // A file that cannot be written keeps the old value; the page still works.
        static_cast<void>(GetHost()->WriteProfileInt(Section, Key, threshold_.load()));
    }
}

} // namespace TavixSamples
