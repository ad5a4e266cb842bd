#!/bin/sh
# scripts/throwaway-sign's time-stamping authority, a CGI program of busybox httpd in
# DIR/www/cgi-bin: one RFC 3161 request a call, the query on standard input, the reply on
# standard output, made by openssl ts with DIR's keys.
cd "$(dirname "$0")/../.." || exit 1
head -c "$CONTENT_LENGTH" >query.tsq
printf 'Content-Type: application/timestamp-reply\r\n\r\n'
openssl ts -reply -config openssl.cnf -queryfile query.tsq -out /dev/stdout 2>>tsa.log
