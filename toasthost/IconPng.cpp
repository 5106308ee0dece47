#include "toasthost/IconPng.h"

#include "win32/ComPtr.h"

#include <wincodec.h>

namespace toasthost {

bool WriteIconPng(HICON icon, const std::wstring& path)
{
    if (!icon) return false;
    ComPtr<IWICImagingFactory> factory;
    ComPtr<IWICBitmap> bitmap;
    ComPtr<IWICStream> stream;
    ComPtr<IWICBitmapEncoder> encoder;
    ComPtr<IWICBitmapFrameEncode> frame;
    const bool written =
        SUCCEEDED(::CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                     factory.receiveVoid())) &&
        SUCCEEDED(factory->CreateBitmapFromHICON(icon, bitmap.receive())) &&
        SUCCEEDED(factory->CreateStream(stream.receive())) &&
        SUCCEEDED(stream->InitializeFromFilename(path.c_str(), GENERIC_WRITE)) &&
        SUCCEEDED(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, encoder.receive())) &&
        SUCCEEDED(encoder->Initialize(stream.get(), WICBitmapEncoderNoCache)) &&
        SUCCEEDED(encoder->CreateNewFrame(frame.receive(), nullptr)) && SUCCEEDED(frame->Initialize(nullptr)) &&
        SUCCEEDED(frame->WriteSource(bitmap.get(), nullptr)) && SUCCEEDED(frame->Commit()) &&
        SUCCEEDED(encoder->Commit());
    stream.reset();
    if (!written) ::DeleteFileW(path.c_str());
    return written;
}

}  // namespace toasthost
