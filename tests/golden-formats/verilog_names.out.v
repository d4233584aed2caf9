module f(input wire \and , input wire \1x , input wire f, input wire F, output wire f_2);
  assign f_2 = (~\and  & ~\1x  & F) | (~\and  & ~\1x  & f) | (\and  & \1x  & f & F);
endmodule
