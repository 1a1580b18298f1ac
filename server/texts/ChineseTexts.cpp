#include "texts/TextTables.h"

QStringView chineseText(Text text)
{
    switch (text) {
    case Text::NotSignedIn:
        return u"未登录或登录已过期";
    case Text::InternalError:
        return u"服务器内部错误";
    case Text::InvalidInput:
        return u"输入无效：%1";
    case Text::NotFound:
        return u"未找到";
    case Text::NoSuchFile:
        return u"文件不存在";
    case Text::UseGetForFiles:
        return u"请使用 GET 获取文件";
    case Text::UseMethod:
        return u"此地址请使用 %1";
    case Text::WebSocketOnly:
        return u"此地址只接受 WebSocket 连接";
    case Text::BodyTooLarge:
        return u"请求内容过大（最多 %1 字节）";
    case Text::OtherOriginRefused:
        return u"拒绝来自其他网站的请求";
    case Text::AddressTooLong:
        return u"地址过长（最多 %1 字节）";
    case Text::HeadTooLarge:
        return u"请求头过大（最多 %1 字节）";
    case Text::BodyLengthAmbiguous:
        return u"请求长度不明确：只能带一个 Content-Length 或 Transfer-Encoding: chunked，不能两者都有";
    case Text::ChunkedBodyMalformed:
        return u"分块传输的请求体格式错误";
    case Text::BodyNotObject:
        return u"请求内容必须是 JSON 对象";
    case Text::TooManySignIns:
        return u"登录失败次数过多，请几分钟后再试";
    case Text::WrongPassword:
        return u"用户名或密码错误";
    case Text::CodeRequired:
        return u"请输入验证器应用中的验证码或一个备用码";
    case Text::InputNotWrapped:
        return u"输入必须包装为 {\"json\": input}";
    case Text::NoProcedure:
        return u"路径 \"%1\" 上没有这个过程";
    case Text::ProcedureNotAllowed:
        return u"你的账号不能使用 \"%1\"";
    case Text::NotWholeNumber:
        return u"\"%1\" 必须是整数";
    case Text::PageOutOfRange:
        return u"\"page\" 必须在 1 到 %1 之间";
    case Text::LimitBelowOne:
        return u"\"limit\" 至少为 1";
    case Text::AdministratorsOnly:
        return u"只有管理员可以使用管理接口";
    case Text::CannotBanYourself:
        return u"不能封禁自己的账号";
    case Text::CannotDemoteYourself:
        return u"不能取消自己账号的管理员角色";
    case Text::SettingOutOfRange:
        return u"%1必须在 %2 到 %3 之间";
    case Text::WordBlank:
        return u"敏感词不能为空";
    case Text::WordExists:
        return u"\"%1\" 已经是敏感词";
    case Text::WordNotFound:
        return u"未找到该敏感词";
    case Text::UsernameLength:
        return u"用户名长度必须为 %1 到 %2 个字符";
    case Text::UsernameCharacters:
        return u"用户名只能包含字母、数字、“_”、“.”和“-”";
    case Text::PasswordTooShort:
        return u"密码至少需要 %1 个字符";
    case Text::PasswordTooLong:
        return u"密码过长（最多 %1 个字符）";
    case Text::EmailNotValid:
        return u"邮箱地址无效";
    case Text::UsernameTaken:
        return u"用户名已被占用";
    case Text::RegistrationClosed:
        return u"暂不开放新账号注册";
    case Text::AccountBanned:
        return u"该账号已被封禁。";
    case Text::RefreshTokenNotValid:
        return u"刷新令牌无效";
    case Text::UnknownRole:
        return u"未知角色 \"%1\"（可选 user、vip、operator、admin）";
    case Text::UserNotFound:
        return u"用户不存在";
    case Text::UserIdNotFound:
        return u"用户 %1 不存在";
    case Text::FileNameLength:
        return u"fileName 长度必须为 1 到 %1 个字符";
    case Text::FileTypeNotMime:
        return u"fileType 必须是 MIME 类型，例如 image/png";
    case Text::FileSizeNegative:
        return u"fileSize 不能为负数";
    case Text::FileTooLarge:
        return u"文件最大为 %1 字节";
    case Text::UnknownFileKey:
        return u"未知的文件标识";
    case Text::FileAlreadyUploaded:
        return u"该文件已经上传过了";
    case Text::ContentTypeNotMime:
        return u"contentType 必须是 MIME 类型，例如 image/png";
    case Text::NotBase64:
        return u"fileBuffer 不是有效的 Base64";
    case Text::FileSizeMismatch:
        return u"文件有 %1 字节，但声明的是 %2 字节";
    case Text::UploadInputShape:
        return u"输入必须是 {\"json\":{\"fileKey\", \"fileBuffer\", \"contentType\"}}，且 fileBuffer 为 Base64";
    case Text::FriendRequestToYourself:
        return u"不能向自己发送好友申请";
    case Text::AlreadyContacts:
        return u"你们已经是联系人了";
    case Text::FriendRequestWaiting:
        return u"已向该用户发送过好友申请，正在等待回复";
    case Text::FriendRequestNotFound:
        return u"好友申请不存在";
    case Text::FriendRequestAnswered:
        return u"该好友申请已处理";
    case Text::TwoFactorOnTurnOffFirst:
        return u"两步验证已开启，请先关闭";
    case Text::TwoFactorSetUpFirst:
        return u"请先设置两步验证";
    case Text::TwoFactorAlreadyOn:
        return u"两步验证已开启";
    case Text::TwoFactorNotOn:
        return u"两步验证未开启";
    case Text::TooManyWrongCodes:
        return u"验证码错误次数过多，请几分钟后再试";
    case Text::CodeNotCorrect:
        return u"验证码不正确";
    case Text::ServiceSessionNotFound:
        return u"客服会话不存在";
    case Text::OnlyWaitingAccepted:
        return u"只能接入等待中的会话";
    case Text::ServedByAnotherOperator:
        return u"该会话由其他客服处理";
    case Text::OnlyActiveEnded:
        return u"只能结束进行中的会话";
    case Text::OnlyActiveTakesMessages:
        return u"只有进行中的会话可以发送消息";
    case Text::MomentNotFound:
        return u"动态不存在";
    case Text::PageFromOne:
        return u"page 从 1 开始计数";
    case Text::LimitRange:
        return u"limit 必须在 1 到 %1 之间";
    case Text::LimitOrOffsetOutOfRange:
        return u"limit 必须在 1 到 %1 之间，且 offset 不能为负数";
    case Text::OffsetNegative:
        return u"offset 不能为负数";
    case Text::VisibilityValues:
        return u"visibility 必须是 \"public\"、\"friends\" 或 \"private\"";
    case Text::TooManyPictures:
        return u"一条动态最多 %1 张图片";
    case Text::CommentNotOnMoment:
        return u"所回复的评论不在这条动态下";
    case Text::HostHeaderNeeded:
        return u"请求需要有效的 Host 头";
    case Text::FileNotFound:
        return u"文件不存在";
    case Text::DownloadLinkInvalid:
        return u"下载链接无效或已过期";
    case Text::UnknownPermission:
        return u"未知权限 \"%1\"";
    case Text::PermissionNotBoolean:
        return u"权限 \"%1\" 必须是 true 或 false";
    case Text::ColourFormat:
        return u"颜色格式应类似 #4A90D9";
    case Text::GroupNotFound:
        return u"群组不存在";
    case Text::OwnerOnlyRoles:
        return u"只有群主可以修改群角色";
    case Text::RoleNotFound:
        return u"该群中没有这个角色";
    case Text::TooManyRoles:
        return u"一个群最多 %1 个角色";
    case Text::NotGroupMember:
        return u"该用户不是群成员";
    case Text::Blocked:
        return u"你们之间无法私聊：其中一方已将另一方拉黑";
    case Text::KeywordTooLong:
        return u"关键词过长（最多 %1 个字符）";
    case Text::CannotReportYourself:
        return u"不能举报自己";
    case Text::ConversationNotFound:
        return u"会话不存在";
    case Text::PrivateNeedsOtherUser:
        return u"私聊需要另一位用户";
    case Text::PrivateExactlyOneOther:
        return u"私聊只能有一位其他成员";
    case Text::ConversationTypeValues:
        return u"type 必须是 \"private\" 或 \"group\"";
    case Text::GroupNeedsName:
        return u"群组需要名称";
    case Text::GroupNameTooLong:
        return u"群名称过长（最多 %1 个字符）";
    case Text::GroupTooManyMembers:
        return u"一个群最多 %1 名成员";
    case Text::NotYourContact:
        return u"用户 %1 不是你的联系人，无法添加";
    case Text::GroupDissolved:
        return u"该群已解散";
    case Text::GroupDissolvedNotice:
        return u"本群已被管理员解散";
    case Text::SessionNotFound:
        return u"登录会话不存在";
    case Text::DeviceNotFound:
        return u"设备不存在";
    case Text::MessageNotFound:
        return u"消息不存在";
    case Text::FileAddressKind:
        return u"文件地址必须是 http(s) 地址或本服务器上的路径";
    case Text::ClientMsgIdLength:
        return u"clientMsgId 长度必须为 1 到 %1 个字符";
    case Text::ClientMsgIdReused:
        return u"clientMsgId 已用于另一个会话中的消息";
    case Text::UnknownMessageType:
        return u"未知消息类型 \"%1\"";
    case Text::MessageNeedsFile:
        return u"%1 消息需要 fileUrl";
    case Text::MessageNeedsContent:
        return u"%1 消息需要内容";
    case Text::ReplyNotInConversation:
        return u"所回复的消息不在这个会话中";
    case Text::OnlySenderRevokes:
        return u"只有发送者可以撤回消息";
    case Text::EmojiLength:
        return u"emoji 长度必须为 1 到 %1 个字符";
    case Text::MessageRevoked:
        return u"该消息已撤回";
    case Text::FieldEmpty:
        return u"%1不能为空";
    case Text::FieldTooLong:
        return u"%1过长（最多 %2 个字符）";
    case Text::FieldControlCharacters:
        return u"%1包含控制字符";
    case Text::TextControlCharacters:
        return u"%1包含控制字符；只允许制表符和换行";
    case Text::FieldAddressTooLong:
        return u"%1过长";
    case Text::FieldAddressKind:
        return u"%1必须是 http(s) 地址或本服务器上的路径";
    case Text::ContactNotFound:
        return u"联系人不存在";
    case Text::ReplyBlank:
        return u"消息不能为空";
    case Text::ReplyTooLong:
        return u"消息过长（最多 %1 个字符）";
    case Text::InputNeeded:
        return u"此过程需要输入";
    case Text::InputNotObject:
        return u"输入必须是 JSON 对象";
    case Text::FrameNotJsonText:
        return u"帧必须是 JSON 文本";
    case Text::FrameTooLarge:
        return u"一帧最多 %1 字节";
    case Text::FrameShape:
        return u"帧需要字符串 \"type\" 和对象 \"payload\"";
    case Text::AuthFrameFirst:
        return u"请先发送 \"auth\" 帧";
    case Text::UnknownFrameType:
        return u"未知帧类型 \"%1\"";
    case Text::AlreadyAuthenticated:
        return u"此连接已通过认证";
    case Text::AuthFrameShape:
        return u"\"auth\" 需要字符串 token 和整数 userId";
    case Text::TokenNotForUser:
        return u"该令牌对此用户无效";
    case Text::NounText:
        return u"文字";
    case Text::NounRoleName:
        return u"角色名称";
    case Text::NounEmail:
        return u"邮箱地址";
    case Text::NounWord:
        return u"敏感词";
    case Text::NounCategory:
        return u"分类";
    case Text::NounRegion:
        return u"地区";
    case Text::NounReason:
        return u"原因";
    case Text::NounPictureAddress:
        return u"图片地址";
    case Text::NounNickname:
        return u"昵称";
    case Text::NounName:
        return u"名称";
    case Text::NounMessage:
        return u"附言";
    case Text::NounLocation:
        return u"位置";
    case Text::NounInviteCode:
        return u"邀请码";
    case Text::NounGender:
        return u"性别";
    case Text::NounDescription:
        return u"描述";
    case Text::NounComment:
        return u"评论";
    case Text::NounBio:
        return u"个人简介";
    case Text::NounMessageText:
        return u"消息内容";
    case Text::NounFileName:
        return u"文件名";
    case Text::NounFileAddress:
        return u"文件地址";
    case Text::NounFileType:
        return u"文件类型";
    case Text::NounMaxGroupMembers:
        return u"群成员上限";
    case Text::NounMessageRetentionDays:
        return u"消息保留天数";
    case Text::QueryUseGet:
        return u"\"%1\" 是查询：请使用 GET";
    case Text::MutationUsePost:
        return u"\"%1\" 是变更：请使用 POST";
    case Text::ReactBlocked:
        return u"无法回应这条消息：其中一方已将另一方拉黑";
    case Text::TooManyConnections:
        return u"连接过多，请稍后再试";
    case Text::HeadMalformed:
        return u"请求头格式错误：每行须以 CR LF 结尾；第一行由方法、地址和 HTTP/1.1 组成，其余各行形如 名称: 值";
    case Text::HostNotOnce:
        return u"HTTP/1.1 请求须有且只有一个 Host 头";
    case Text::ChunkedNeedsHttp11:
        return u"HTTP/1.0 没有 Transfer-Encoding：请发送 Content-Length";
    case Text::WebSocketHandshakeMalformed:
        return u"WebSocket 连接须以 GET 打开，并带 Connection: Upgrade、Sec-WebSocket-Version: 13 和一个 Sec-WebSocket-Key";
    case Text::TooManyRegistrations:
        return u"此地址注册次数过多，请几分钟后再试";
    }
    return {};
}
