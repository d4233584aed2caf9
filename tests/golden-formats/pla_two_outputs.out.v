module f(input wire a, input wire b, input wire c, output wire s, output wire t);
  assign s = c | a;
  assign t = (~b & ~c) | (a & b);
endmodule
