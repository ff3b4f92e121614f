# Copies the text file FROM to TO with CR LF line ends (cmake -DFROM=... -DTO=... -P crlf.cmake).
file(READ "${FROM}" text)
string(REPLACE "\r\n" "\n" text "${text}")
string(REPLACE "\n" "\r\n" text "${text}")
file(WRITE "${TO}" "${text}")
