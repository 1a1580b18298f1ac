#include "texts/TextTables.h"

QStringView vietnameseText(Text text)
{
    switch (text) {
    case Text::NotSignedIn:
        return u"Bạn chưa đăng nhập hoặc phiên đăng nhập đã hết hạn";
    case Text::InternalError:
        return u"Lỗi nội bộ của máy chủ";
    case Text::InvalidInput:
        return u"Dữ liệu nhập không hợp lệ: %1";
    case Text::NotFound:
        return u"Không tìm thấy";
    case Text::NoSuchFile:
        return u"Không có tệp này";
    case Text::UseGetForFiles:
        return u"Hãy dùng GET để lấy tệp";
    case Text::UseMethod:
        return u"Hãy dùng %1 cho địa chỉ này";
    case Text::WebSocketOnly:
        return u"Địa chỉ này chỉ nhận kết nối WebSocket";
    case Text::BodyTooLarge:
        return u"Nội dung yêu cầu quá lớn (tối đa %1 byte)";
    case Text::OtherOriginRefused:
        return u"Yêu cầu từ trang web khác bị từ chối";
    case Text::AddressTooLong:
        return u"Địa chỉ quá dài (tối đa %1 byte)";
    case Text::HeadTooLarge:
        return u"Phần đầu yêu cầu quá lớn (tối đa %1 byte)";
    case Text::BodyLengthAmbiguous:
        return u"Độ dài yêu cầu không rõ ràng: chỉ gửi một Content-Length hoặc Transfer-Encoding: chunked, không gửi cả hai";
    case Text::ChunkedBodyMalformed:
        return u"Nội dung yêu cầu truyền theo khối không hợp lệ";
    case Text::BodyNotObject:
        return u"Nội dung yêu cầu phải là một đối tượng JSON";
    case Text::TooManySignIns:
        return u"Đăng nhập thất bại quá nhiều lần; hãy thử lại sau vài phút";
    case Text::WrongPassword:
        return u"Sai tên người dùng hoặc mật khẩu";
    case Text::CodeRequired:
        return u"Hãy nhập mã từ ứng dụng xác thực hoặc một mã dự phòng";
    case Text::InputNotWrapped:
        return u"Dữ liệu nhập phải được bọc dạng {\"json\": input}";
    case Text::NoProcedure:
        return u"Không có thủ tục nào ở đường dẫn \"%1\"";
    case Text::ProcedureNotAllowed:
        return u"Tài khoản của bạn không được dùng \"%1\"";
    case Text::NotWholeNumber:
        return u"\"%1\" phải là số nguyên";
    case Text::PageOutOfRange:
        return u"\"page\" phải từ 1 đến %1";
    case Text::LimitBelowOne:
        return u"\"limit\" phải ít nhất là 1";
    case Text::AdministratorsOnly:
        return u"Chỉ quản trị viên mới được dùng API quản trị";
    case Text::CannotBanYourself:
        return u"Bạn không thể khóa tài khoản của chính mình";
    case Text::CannotDemoteYourself:
        return u"Bạn không thể gỡ vai trò quản trị viên khỏi tài khoản của chính mình";
    case Text::SettingOutOfRange:
        return u"Giá trị %1 phải từ %2 đến %3";
    case Text::WordBlank:
        return u"Từ không được để trống";
    case Text::WordExists:
        return u"\"%1\" đã là từ nhạy cảm";
    case Text::WordNotFound:
        return u"Không tìm thấy từ nhạy cảm";
    case Text::UsernameLength:
        return u"Tên người dùng phải dài từ %1 đến %2 ký tự";
    case Text::UsernameCharacters:
        return u"Tên người dùng chỉ được chứa chữ cái, chữ số, '_', '.' và '-'";
    case Text::PasswordTooShort:
        return u"Mật khẩu phải dài ít nhất %1 ký tự";
    case Text::PasswordTooLong:
        return u"Mật khẩu quá dài (tối đa %1 ký tự)";
    case Text::EmailNotValid:
        return u"Địa chỉ email không hợp lệ";
    case Text::UsernameTaken:
        return u"Tên người dùng đã có người dùng";
    case Text::RegistrationClosed:
        return u"Việc đăng ký tài khoản mới đã đóng";
    case Text::AccountBanned:
        return u"Tài khoản này đã bị cấm.";
    case Text::RefreshTokenNotValid:
        return u"Mã làm mới không hợp lệ";
    case Text::UnknownRole:
        return u"Vai trò \"%1\" không xác định (một trong user, vip, operator, admin)";
    case Text::UserNotFound:
        return u"Không tìm thấy người dùng";
    case Text::UserIdNotFound:
        return u"Không tìm thấy người dùng %1";
    case Text::FileNameLength:
        return u"fileName phải dài từ 1 đến %1 ký tự";
    case Text::FileTypeNotMime:
        return u"fileType phải là kiểu MIME, ví dụ image/png";
    case Text::FileSizeNegative:
        return u"fileSize không được âm";
    case Text::FileTooLarge:
        return u"Tệp có thể lớn tối đa %1 byte";
    case Text::UnknownFileKey:
        return u"Khóa tệp không xác định";
    case Text::FileAlreadyUploaded:
        return u"Tệp này đã được tải lên rồi";
    case Text::ContentTypeNotMime:
        return u"contentType phải là kiểu MIME, ví dụ image/png";
    case Text::NotBase64:
        return u"fileBuffer không phải Base64 hợp lệ";
    case Text::FileSizeMismatch:
        return u"Tệp có %1 byte nhưng đã khai báo %2 byte";
    case Text::UploadInputShape:
        return u"Dữ liệu nhập phải là {\"json\":{\"fileKey\", \"fileBuffer\", \"contentType\"}} với fileBuffer dạng Base64";
    case Text::FriendRequestToYourself:
        return u"Bạn không thể gửi lời mời kết bạn cho chính mình";
    case Text::AlreadyContacts:
        return u"Hai bạn đã là liên hệ của nhau";
    case Text::FriendRequestWaiting:
        return u"Đã có lời mời kết bạn tới người này đang chờ trả lời";
    case Text::FriendRequestNotFound:
        return u"Không tìm thấy lời mời kết bạn";
    case Text::FriendRequestAnswered:
        return u"Lời mời kết bạn này đã được trả lời";
    case Text::TwoFactorOnTurnOffFirst:
        return u"Xác thực hai bước đã bật; hãy tắt trước";
    case Text::TwoFactorSetUpFirst:
        return u"Hãy thiết lập xác thực hai bước trước";
    case Text::TwoFactorAlreadyOn:
        return u"Xác thực hai bước đã được bật";
    case Text::TwoFactorNotOn:
        return u"Xác thực hai bước chưa được bật";
    case Text::TooManyWrongCodes:
        return u"Nhập sai mã quá nhiều lần; hãy thử lại sau vài phút";
    case Text::CodeNotCorrect:
        return u"Mã không đúng";
    case Text::ServiceSessionNotFound:
        return u"Không tìm thấy phiên hỗ trợ khách hàng";
    case Text::OnlyWaitingAccepted:
        return u"Chỉ có thể nhận phiên đang chờ";
    case Text::ServedByAnotherOperator:
        return u"Phiên này do nhân viên hỗ trợ khác phụ trách";
    case Text::OnlyActiveEnded:
        return u"Chỉ có thể kết thúc phiên đang diễn ra";
    case Text::OnlyActiveTakesMessages:
        return u"Chỉ phiên đang diễn ra mới nhận tin nhắn";
    case Text::MomentNotFound:
        return u"Không tìm thấy khoảnh khắc";
    case Text::PageFromOne:
        return u"page được đếm từ 1";
    case Text::LimitRange:
        return u"limit phải từ 1 đến %1";
    case Text::LimitOrOffsetOutOfRange:
        return u"limit phải từ 1 đến %1 và offset không được âm";
    case Text::OffsetNegative:
        return u"offset không được âm";
    case Text::VisibilityValues:
        return u"visibility phải là \"public\", \"friends\" hoặc \"private\"";
    case Text::TooManyPictures:
        return u"Một khoảnh khắc có tối đa %1 ảnh";
    case Text::CommentNotOnMoment:
        return u"Bình luận được trả lời không thuộc khoảnh khắc này";
    case Text::HostHeaderNeeded:
        return u"Yêu cầu cần một tiêu đề Host hợp lệ";
    case Text::FileNotFound:
        return u"Không tìm thấy tệp";
    case Text::DownloadLinkInvalid:
        return u"Liên kết tải xuống không hợp lệ hoặc đã hết hạn";
    case Text::UnknownPermission:
        return u"Quyền \"%1\" không xác định";
    case Text::PermissionNotBoolean:
        return u"Quyền \"%1\" phải là true hoặc false";
    case Text::ColourFormat:
        return u"Màu phải có dạng #4A90D9";
    case Text::GroupNotFound:
        return u"Không tìm thấy nhóm";
    case Text::OwnerOnlyRoles:
        return u"Chỉ chủ nhóm mới được thay đổi vai trò của nhóm";
    case Text::RoleNotFound:
        return u"Không tìm thấy vai trò này trong nhóm";
    case Text::TooManyRoles:
        return u"Một nhóm có tối đa %1 vai trò";
    case Text::NotGroupMember:
        return u"Người dùng này không phải thành viên của nhóm";
    case Text::Blocked:
        return u"Bạn không thể nhắn tin riêng với người này: một trong hai người đã chặn người kia";
    case Text::KeywordTooLong:
        return u"Từ khóa quá dài (tối đa %1 ký tự)";
    case Text::CannotReportYourself:
        return u"Bạn không thể tố cáo chính mình";
    case Text::ConversationNotFound:
        return u"Không tìm thấy cuộc trò chuyện";
    case Text::PrivateNeedsOtherUser:
        return u"Cuộc trò chuyện riêng cần một người dùng khác";
    case Text::PrivateExactlyOneOther:
        return u"Cuộc trò chuyện riêng chỉ có đúng một thành viên khác";
    case Text::ConversationTypeValues:
        return u"type phải là \"private\" hoặc \"group\"";
    case Text::GroupNeedsName:
        return u"Nhóm cần có tên";
    case Text::GroupNameTooLong:
        return u"Tên nhóm quá dài (tối đa %1 ký tự)";
    case Text::GroupTooManyMembers:
        return u"Một nhóm có tối đa %1 thành viên";
    case Text::NotYourContact:
        return u"Người dùng %1 không phải liên hệ của bạn nên không thể thêm";
    case Text::GroupDissolved:
        return u"Nhóm này đã bị giải tán";
    case Text::GroupDissolvedNotice:
        return u"Nhóm này đã bị quản trị viên giải tán";
    case Text::SessionNotFound:
        return u"Không tìm thấy phiên đăng nhập";
    case Text::DeviceNotFound:
        return u"Không tìm thấy thiết bị";
    case Text::MessageNotFound:
        return u"Không tìm thấy tin nhắn";
    case Text::FileAddressKind:
        return u"Địa chỉ tệp phải là địa chỉ http(s) hoặc đường dẫn trên máy chủ này";
    case Text::ClientMsgIdLength:
        return u"clientMsgId phải dài từ 1 đến %1 ký tự";
    case Text::ClientMsgIdReused:
        return u"clientMsgId đã được dùng cho một tin nhắn trong cuộc trò chuyện khác";
    case Text::UnknownMessageType:
        return u"Loại tin nhắn \"%1\" không xác định";
    case Text::MessageNeedsFile:
        return u"Tin nhắn %1 cần fileUrl";
    case Text::MessageNeedsContent:
        return u"Tin nhắn %1 cần có nội dung";
    case Text::ReplyNotInConversation:
        return u"Tin nhắn được trả lời không thuộc cuộc trò chuyện này";
    case Text::OnlySenderRevokes:
        return u"Chỉ người gửi mới được thu hồi tin nhắn";
    case Text::EmojiLength:
        return u"emoji phải dài từ 1 đến %1 ký tự";
    case Text::MessageRevoked:
        return u"Tin nhắn đã bị thu hồi";
    case Text::FieldEmpty:
        return u"Trường %1 không được để trống";
    case Text::FieldTooLong:
        return u"Trường %1 quá dài (tối đa %2 ký tự)";
    case Text::FieldControlCharacters:
        return u"Trường %1 chứa ký tự điều khiển";
    case Text::TextControlCharacters:
        return u"Trường %1 chứa ký tự điều khiển; chỉ được dùng tab và xuống dòng";
    case Text::FieldAddressTooLong:
        return u"Trường %1 quá dài";
    case Text::FieldAddressKind:
        return u"Trường %1 phải là địa chỉ http(s) hoặc đường dẫn trên máy chủ này";
    case Text::ContactNotFound:
        return u"Không tìm thấy liên hệ";
    case Text::ReplyBlank:
        return u"Tin nhắn không được để trống";
    case Text::ReplyTooLong:
        return u"Tin nhắn quá dài (tối đa %1 ký tự)";
    case Text::InputNeeded:
        return u"Thủ tục này cần dữ liệu nhập";
    case Text::InputNotObject:
        return u"Dữ liệu nhập phải là một đối tượng JSON";
    case Text::FrameNotJsonText:
        return u"Khung phải là văn bản JSON";
    case Text::FrameTooLarge:
        return u"Một khung có tối đa %1 byte";
    case Text::FrameShape:
        return u"Khung cần chuỗi \"type\" và đối tượng \"payload\"";
    case Text::AuthFrameFirst:
        return u"Hãy gửi khung \"auth\" trước";
    case Text::UnknownFrameType:
        return u"Loại khung \"%1\" không xác định";
    case Text::AlreadyAuthenticated:
        return u"Kết nối này đã được xác thực";
    case Text::AuthFrameShape:
        return u"\"auth\" cần token dạng chuỗi và userId dạng số nguyên";
    case Text::TokenNotForUser:
        return u"Mã truy cập không hợp lệ với người dùng này";
    case Text::NounText:
        return u"văn bản";
    case Text::NounRoleName:
        return u"tên vai trò";
    case Text::NounEmail:
        return u"địa chỉ email";
    case Text::NounWord:
        return u"từ";
    case Text::NounCategory:
        return u"phân loại";
    case Text::NounRegion:
        return u"khu vực";
    case Text::NounReason:
        return u"lý do";
    case Text::NounPictureAddress:
        return u"địa chỉ ảnh";
    case Text::NounNickname:
        return u"biệt danh";
    case Text::NounName:
        return u"tên";
    case Text::NounMessage:
        return u"lời nhắn";
    case Text::NounLocation:
        return u"vị trí";
    case Text::NounInviteCode:
        return u"mã mời";
    case Text::NounGender:
        return u"giới tính";
    case Text::NounDescription:
        return u"mô tả";
    case Text::NounComment:
        return u"bình luận";
    case Text::NounBio:
        return u"giới thiệu";
    case Text::NounMessageText:
        return u"nội dung tin nhắn";
    case Text::NounFileName:
        return u"tên tệp";
    case Text::NounFileAddress:
        return u"địa chỉ tệp";
    case Text::NounFileType:
        return u"loại tệp";
    case Text::NounMaxGroupMembers:
        return u"số thành viên tối đa mỗi nhóm";
    case Text::NounMessageRetentionDays:
        return u"số ngày lưu tin nhắn";
    case Text::QueryUseGet:
        return u"\"%1\" là truy vấn: hãy dùng GET";
    case Text::MutationUsePost:
        return u"\"%1\" là thao tác thay đổi: hãy dùng POST";
    case Text::ReactBlocked:
        return u"Bạn không thể bày tỏ cảm xúc với tin nhắn này: một trong hai người đã chặn người kia";
    case Text::TooManyConnections:
        return u"Quá nhiều kết nối; hãy thử lại sau";
    case Text::HeadMalformed:
        return u"Phần đầu yêu cầu sai định dạng: mỗi dòng phải kết thúc bằng CR LF; dòng đầu gồm phương thức, địa chỉ và HTTP/1.1, mỗi dòng sau có dạng Tên: giá trị";
    case Text::HostNotOnce:
        return u"Yêu cầu HTTP/1.1 phải có đúng một tiêu đề Host";
    case Text::ChunkedNeedsHttp11:
        return u"HTTP/1.0 không có Transfer-Encoding: hãy gửi Content-Length";
    case Text::WebSocketHandshakeMalformed:
        return u"Kết nối WebSocket mở bằng GET, kèm Connection: Upgrade, Sec-WebSocket-Version: 13 và một Sec-WebSocket-Key";
    case Text::TooManyRegistrations:
        return u"Đăng ký từ địa chỉ này quá nhiều lần; hãy thử lại sau vài phút";
    }
    return {};
}
